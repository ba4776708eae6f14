#include "editor/ui/form3.h"

#include "app/app_error.h"
#include "app/error_trap.h"
#include "app/ui/kit/look.h"
#include "app/message_box.h"
#include "app/paths.h"
#include "app/ui/kit/twips.h"
#include "app/ui/kit/wait_dialog.h"
#include "app/ui/kit/end_program.h"
#include "db/table_snapshot.h"
#include "editor/grid_layout.h"
#include "editor/ui/column_layout.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/window_fit.h"
#include "export/pdf_export.h"
#include "export/spreadsheet_export.h"
#include "export/text_export.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

Form3::Form3(QWidget *parent) : WizardWindow(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(Qt::Window);
    resize(5895 / 15, 3300 / 15);
    setFont(arialFont(9, true));

    Label2 = new QLabel(QStringLiteral(" Table: "), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twips(240, 120, 4695, 255));
    // It shows a table's name, which may hold characters that look like markup.
    Label2->setTextFormat(Qt::PlainText);

    DataGrid1 = new DataGrid(this);
    DataGrid1->setGeometry(twips(120, 480, 5640, 1360));
    DataGrid1->setBusyPointer(busyPointerOf(*this));

    Label1 = new QLabel(QStringLiteral(" Changes you make are automatically saved as you make them."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips(120, 1920, 5535, 255));
    QPalette darkRed = Label1->palette();
    darkRed.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label1->setPalette(darkRed);

    PushButton6 = makePushButton(this, "PushButton6", QStringLiteral("Save Table As"), twips(120, 2280, 5640, 405));
    PushButton1 = makePushButton(this, "PushButton1", QStringLiteral("< Back"), twips(120, 2790, 5655, 405));
    setTabOrder(DataGrid1, PushButton1);
    setTabOrder(PushButton1, PushButton6);

    mnuSaveAs = new QMenu(QStringLiteral("Save As"), this);
    mnuSaveAs->setObjectName(QStringLiteral("mnuSaveAs"));
    mnuTXT = mnuSaveAs->addAction(QStringLiteral("TXT"), this, &Form3::mnuTXT_Click);
    mnuXLS = mnuSaveAs->addAction(QStringLiteral("XLS"), this, &Form3::mnuXLS_Click);
    mnuCSV = mnuSaveAs->addAction(QStringLiteral("CSV"), this, &Form3::mnuCSV_Click);
    mnuPDF = mnuSaveAs->addAction(QStringLiteral("PDF"), this, &Form3::mnuPDF_Click);
    mnuXML = mnuSaveAs->addAction(QStringLiteral("XML"), this, &Form3::mnuXML_Click);

    connect(PushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form3::PushButton6_Click);

    installPointerFeedback(*this, {PushButton1, PushButton6}, {this, Label1, Label2, DataGrid1});

    // The grid fills the window only when the user chose so; the choice is
    // kept for the next start.
    fit_ = new WindowFit(*this, *DataGrid1, {Label1, PushButton6, PushButton1});
    QAction *fitAction = DataGrid1->fitToWindowAction();
    fitAction->setChecked(fitGridToWindowChosen());
    fit_->setOn(fitAction->isChecked());
    connect(fitAction, &QAction::toggled, this, [this](bool on) {
        fit_->setOn(on);
        try {
            chooseFitGridToWindow(on);
        } catch (const AppError &error) {
            msgbox::show(error.description(), msgbox::Exclamation);
        }
    });
    // The user stopped the read of the table and closed it: back to the
    // chooser, as after an open given up, with no connection left.
    connect(DataGrid1, &DataGrid::readingStopped, this, [this] {
        bindTable(nullptr);
        showChooser();
        hide();
    });
    // A table's layout is kept per data source, user and table.
    DataGrid1->setLayoutKeySource([this] { return layoutKey_; });
}

Form3::~Form3() = default;

void Form3::Form_Load()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form3.Form_Load "));
    trap.step(100, [&] { ApplyFaceColor(*this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.test(106, [&] { return FileExists(handCursorPath()); }))
        trap.step(108, [&] { loadMouseIcon(*this, handCursorPath()); });
    trap.step(110, [&] { setWindowTitle(QStringLiteral("Tabvale Software")); });
}

void Form3::showTableName(const QString &name)
{
    Label2->setText(QStringLiteral(" Now Editing: ") + name);
}

void Form3::bindTable(std::unique_ptr<db::TableSnapshot> snapshot, std::optional<GridLayoutKey> layoutKey)
{
    layoutKey_ = snapshot ? std::move(layoutKey) : std::nullopt;
    DataGrid1->setDataSource(std::move(snapshot));
}

void Form3::focusTable()
{
    DataGrid1->setFocus();
}

bool Form3::writePendingEdit()
{
    return DataGrid1->commitPendingEdit();
}

void Form3::PushButton1_Click()
{
    // The row being edited is written before the user leaves the table; if
    // the database refuses it, the user has been told and stays with it.
    if (!writePendingEdit())
        return;
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form3.PushButton1_Click "));
    trap.step(100, [&] { showChooser(); });
    trap.step(102, [&] { hide(); });
}

void Form3::PushButton6_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form3.PushButton6_Click "));
    trap.step(106, [&] { mnuSaveAs->popup(QCursor::pos()); });
}

void Form3::mnuTXT_Click()
{
    DataGrid1->commitOpenEditor();
    if (!DataGrid1->waitForWholeTable())
        return;
    std::unique_ptr<ProgressHere> progress;
    saveGridAsText(TextFormat::Tab, DataGrid1->rows(), this, exportPointer(*this, progress), CommonDialog1_FileName);
}

void Form3::mnuCSV_Click()
{
    DataGrid1->commitOpenEditor();
    if (!DataGrid1->waitForWholeTable())
        return;
    std::unique_ptr<ProgressHere> progress;
    saveGridAsText(TextFormat::Csv, DataGrid1->rows(), this, exportPointer(*this, progress), CommonDialog1_FileName);
}

void Form3::mnuXML_Click()
{
    DataGrid1->commitOpenEditor();
    if (!DataGrid1->waitForWholeTable())
        return;
    std::unique_ptr<ProgressHere> progress;
    saveGridAsText(TextFormat::Xml, DataGrid1->rows(), this, exportPointer(*this, progress), CommonDialog1_FileName);
}

void Form3::mnuXLS_Click()
{
    DataGrid1->commitOpenEditor();
    if (!DataGrid1->waitForWholeTable())
        return;
    std::unique_ptr<ProgressHere> progress;
    exportGridToSpreadsheet(DataGrid1->rows(), exportPointer(*this, progress));
}

void Form3::mnuPDF_Click()
{
    DataGrid1->commitOpenEditor();
    if (!DataGrid1->waitForWholeTable())
        return;
    // The PDF export keeps the pointer as it is; only the wait dialog shows.
    const ProgressHere progress(this, savingTableText);
    exportGridToPdf(DataGrid1->rows());
}

void Form3::closeEvent(QCloseEvent *event)
{
    if (!DataGrid1->commitPendingEdit()) {
        const int answer = msgbox::show(
            QStringLiteral("The row you changed could not be written to the database.\r\n"
                           "Close anyway and discard your change?"),
            msgbox::YesNo | msgbox::Question);
        if (answer != msgbox::Yes) {
            event->ignore();
            return;
        }
        DataGrid1->discardPendingEdit();
    }
    event->accept();
    DataGrid1->columnLayout().saveTellingFailure();
    endProgram();
}
