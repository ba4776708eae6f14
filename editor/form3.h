#pragma once

#include "app/wizard_window.h"

class DataGrid;
class QLabel;
class QMenu;
class QPushButton;

// The table editor: one table in an editable grid, and its exports.
class Form3 : public WizardWindow {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);
    ~Form3() override;

    void Form_Load();
    void showCentred();

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

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
