#pragma once

#include "app/ui/kit/wizard_window.h"
#include "editor/grid_layout.h"

#include <functional>
#include <memory>
#include <optional>

namespace db {
class TableSnapshot;
}
class DataGrid;
class QLabel;
class QMenu;
class QPushButton;
class WindowFit;

// The table editor: one table in an editable grid, and its exports.
class Form3 : public WizardWindow {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);
    ~Form3() override;

    void Form_Load();

    // The editor's part in opening a table: the heading names the table,
    // the grid is bound to its rows (or unbound: nullptr) and takes the focus.
    // The layout key names where the user's arrangement of this table's
    // grid is remembered.
    void showTableName(const QString &name);
    void bindTable(std::unique_ptr<db::TableSnapshot> snapshot, std::optional<GridLayoutKey> layoutKey = {});
    void focusTable();
    // Writes the row being edited, if any; false when the database refused
    // it (the user has been told).
    bool writePendingEdit();

    // Where "< Back" leads, set by the wizard that creates the window.
    std::function<void()> showChooser;

    void PushButton1_Click(); // "< Back"
    void PushButton6_Click(); // "Save Table As"
    void mnuTXT_Click();
    void mnuXLS_Click();
    void mnuCSV_Click();
    void mnuPDF_Click();
    void mnuXML_Click();

    QLabel *Label1;
    QLabel *Label2;
    DataGrid *DataGrid1;
    QPushButton *PushButton1;
    QPushButton *PushButton6;
    QMenu *mnuSaveAs;
    QAction *mnuTXT;
    QAction *mnuXLS;
    QAction *mnuCSV;
    QAction *mnuPDF;
    QAction *mnuXML;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The save dialog's file name, kept across the CSV, TXT and XML entries.
    QString CommonDialog1_FileName;
    WindowFit *fit_ = nullptr;
    std::optional<GridLayoutKey> layoutKey_;
};
