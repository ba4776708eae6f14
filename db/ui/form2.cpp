#include "db/ui/form2.h"

#include "app/error_trap.h"
#include "app/ui/kit/look.h"
#include "app/message_box.h"
#include "app/paths.h"
#include "app/ui/kit/twips.h"
#include "app/ui/kit/end_program.h"
#include "app/ui/kit/wait_dialog.h"
#include "db/connection.h"
#include "db/oracle.h"
#include "db/ui/database_beside.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

void FillTableList(QListWidget &list, const LoginValues &login)
{
    const QStringList names = runBeside(list.window(), QStringLiteral("Reading the list of tables..."),
                                        background::WhenGivenUp::LeaveBehind, [login] { return tableNames(login); });
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
    trap.step(118, [&] { openBeside(this, connection, connectionStringFor(login_)); });
    trap.step(120, [&] { setMousePointer(Hourglass); });
    trap.step(122, [&] { setEnabled(false); });
    trap.step(124, [&] { FillTableList(*List1, login_); });
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
    trap.step(100, [&] { showLogin(); });
    trap.step(102, [&] { hide(); });
}

void Form2::PushButton3_Click()
{
    ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form2.PushButton3_Click "));
    TableOpening opening(this, login_, editor);
    trap.step(100, [&] { opening.createConnection(); });
    trap.step(102, [&] {}); // the row set is made when the table is opened
    if (!trap.test(104, [&] { return List1->currentRow() >= 0 && List1->currentItem()->isSelected(); })) {
        trap.step(136, [&] { msgbox::show(QStringLiteral("Please select a table")); });
        return;
    }
    // If the database refuses the edit still pending in the editor, the
    // user is taken back to it.
    if (!opening.writePendingEdit()) {
        hide();
        return;
    }
    trap.step(106, [&] { setMousePointer(Hourglass); });
    trap.step(108, [&] { opening.setCursorLocation(); });
    trap.step(110, [&] { opening.setCommandTimeout(); });
    trap.step(112, [&] { opening.setConnectionTimeout(); });
    bool cancelled = false;
    trap.step(114, [&] { cancelled = !opening.connect(); });
    if (cancelled) {
        // The chooser as it was.
        setMousePointer(Default);
        return;
    }
    trap.step(116, [&] { opening.setTableName(List1->currentItem()->text()); });
    trap.step(118, [&] { opening.showEditor(); });
    trap.step(120, [&] { opening.showHeading(); });
    trap.step(122, [&] { opening.unbindGrid(); });
    trap.step(124, [&] { opening.setCursorLocation(); });
    trap.step(126, [&] { cancelled = !opening.readTable(); });
    if (cancelled) {
        setMousePointer(Default);
        return;
    }
    trap.step(128, [&] { opening.bindGrid(); });
    trap.step(130, [&] { opening.focusGrid(); });
    trap.step(132, [&] { hide(); });
    trap.step(134, [&] { setMousePointer(Default); });
}

void Form2::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}
