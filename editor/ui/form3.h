#pragma once

#include "app/ui/wizard_window.h"

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
};
