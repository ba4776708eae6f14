#include "db/ui/form2.h"

#include "app/error_trap.h"
#include "app/ui/look.h"
#include "app/message_box.h"
#include "app/paths.h"
#include "app/ui/twips.h"
#include "app/ui/wizard.h"
#include "app/ui/form1.h"
#include "db/connection.h"
#include "db/oracle.h"
#include "db/table_snapshot.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "editor/ui/open_progress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {
QString &currentTableName()
{
    static QString name;
    return name;
}
} // namespace

const QString &CurrentTableName()
{
    return currentTableName();
}

void FillTableList(QListWidget &list, const LoginValues &login)
{
    const QStringList names = tableNames(login);
    list.clear();
    for (const QString &name : names) {
        QCoreApplication::processEvents();
        list.addItem(name);
    }
}

Form2::Form2(QWidget *parent) : WizardWindow(parent)
{
    setObjectName(QStringLiteral("Form2"));
    makeFixedWindow(*this, QSize(8040 / 15, 2580 / 15));
    const QFont bold = arialFont(9, true);
    setFont(bold);

    Frame1 = new QGroupBox(QStringLiteral("Which table do you want edit?"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twips(120, 120, 7800, 1875));
    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twips(240, 300, 7320, 1410));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);

    PushButton2 = makePushButton(this, "PushButton2", QStringLiteral("< Back"), twips(120, 2100, 3855, 405));
    PushButton3 = makePushButton(this, "PushButton3", QStringLiteral("Next >"), twips(4080, 2100, 3840, 405));
    setTabOrder(PushButton2, PushButton3);
    setTabOrder(PushButton3, List1);

    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    // A double click on a table is the same as choosing it and "Next >".
    connect(List1, &QListWidget::itemActivated, this, [this] { PushButton3_Click(); });

    installPointerFeedback(*this, {PushButton2, PushButton3}, {this, Frame1, List1});
}

void Form2::Form_Load()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form2.Form_Load "));
    std::unique_ptr<db::Connection> connection;
    trap.step(100, [&] { ApplyFaceColor(*this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.test(106, [&] { return FileExists(handCursorPath()); }))
        trap.step(108, [&] { loadMouseIcon(*this, handCursorPath()); });
    trap.step(110, [&] { setWindowTitle(QStringLiteral("Tabvale Software")); });
    trap.step(112, [&] { connection = std::make_unique<db::Connection>(); });
    trap.step(116, [&] { requireObject(connection).setCursorLocation(db::Connection::adUseClient); });
    trap.step(118, [&] { requireObject(connection).open(ConnectionString(currentLogin())); });
    trap.step(120, [&] { setMousePointer(Hourglass); });
    trap.step(122, [&] { setEnabled(false); });
    trap.step(124, [&] { FillTableList(*List1, currentLogin()); });
    trap.step(126, [&] { requireObject(connection).close(); });
    trap.step(128, [&] {
        if (List1->count() > 0)
            List1->setCurrentRow(0);
    });
    // Disabling took the focus away; it goes back to the first control.
    trap.step(130, [&] {
        setEnabled(true);
        PushButton2->setFocus(Qt::OtherFocusReason);
    });
    trap.step(132, [&] { setMousePointer(Default); });
}

void Form2::showCentred()
{
    WizardWindow::showCentred();
    PushButton2->setFocus(Qt::OtherFocusReason);
}

void Form2::PushButton2_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form2.PushButton2_Click "));
    trap.step(100, [&] { Wizard::instance().form1().showCentred(); });
    trap.step(102, [&] { hide(); });
}

void Form2::PushButton3_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form2.PushButton3_Click "));
    Wizard &wizard = Wizard::instance();
    std::unique_ptr<db::Connection> connection;
    std::unique_ptr<db::TableSnapshot> snapshot;
    trap.step(100, [&] { connection = std::make_unique<db::Connection>(); });
    trap.step(102, [&] {}); // the row set is made when the table is opened
    if (!trap.test(104, [&] { return List1->currentRow() >= 0 && List1->currentItem()->isSelected(); })) {
        trap.step(136, [&] { msgbox::show(QStringLiteral("Please select a table")); });
        return;
    }
    // An edit still pending in the editor is written before its table goes;
    // if the database refuses it, the user is taken back to it.
    if (wizard.hasForm3() && !wizard.form3().DataGrid1->commitPendingEdit()) {
        wizard.form3().showCentred();
        hide();
        return;
    }
    trap.step(106, [&] { setMousePointer(Hourglass); });
    trap.step(108, [&] { requireObject(connection).setCursorLocation(db::Connection::adUseClient); });
    trap.step(110, [&] { requireObject(connection).setCommandTimeout(5000); });
    trap.step(112, [&] { requireObject(connection).setConnectionTimeout(5000); });
    trap.step(114, [&] { requireObject(connection).open(ConnectionString(currentLogin())); });
    trap.step(116, [&] { currentTableName() = List1->currentItem()->text(); });
    Form3 *editor = nullptr;
    trap.step(118, [&] {
        editor = &wizard.form3();
        editor->showCentred();
    });
    trap.step(120, [&] { requireObject(editor).Label2->setText(QStringLiteral(" Now Editing: ") + CurrentTableName()); });
    trap.step(122, [&] { requireObject(editor).DataGrid1->setDataSource(nullptr); });
    trap.step(124, [&] { requireObject(connection).setCursorLocation(db::Connection::adUseClient); });
    bool cancelled = false;
    trap.step(126, [&] {
        OpenProgress progress(this);
        try {
            requireObject(connection);
            snapshot = db::TableSnapshot::open(std::move(connection), CurrentTableName(), progress.callback());
        } catch (const db::OpenCancelled &) {
            cancelled = true;
        }
    });
    if (cancelled) {
        // Nothing is bound: the user is back in the chooser as it was.
        if (editor)
            editor->hide();
        setMousePointer(Default);
        return;
    }
    trap.step(128, [&] {
        if (snapshot)
            requireObject(editor).DataGrid1->setDataSource(std::move(snapshot));
    });
    trap.step(130, [&] { requireObject(editor).DataGrid1->setFocus(); });
    trap.step(132, [&] { hide(); });
    trap.step(134, [&] { setMousePointer(Default); });
}

void Form2::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}
