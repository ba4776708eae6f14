// The pointer a window shows as the mouse moves over its controls.
#include "app/app_error.h"
#include "app/ui/kit/look.h"
#include "app/ui/kit/wizard_window.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A window laid out like the wizard's: a frame holding a label, a text box
// and a button, a button, a list and a grid below it, and an unlisted label.
struct HoverWindow {
    WizardWindow window;
    QGroupBox *frame = new QGroupBox(QStringLiteral("Frame"), &window);
    QLabel *frameLabel = new QLabel(QStringLiteral("SID:"), frame);
    QLineEdit *text = new QLineEdit(frame);
    QPushButton *frameButton = new QPushButton(QStringLiteral("?"), frame);
    QPushButton *button = new QPushButton(QStringLiteral("Next >"), &window);
    QListWidget *list = new QListWidget(&window);
    QTableView *grid = new QTableView(&window);
    QLabel *label = new QLabel(QStringLiteral("Table:"), &window);
    QStandardItemModel model{3, 2};

    HoverWindow()
    {
        window.resize(400, 400);
        frame->setGeometry(10, 10, 380, 100);
        frameLabel->setGeometry(10, 30, 60, 20);
        text->setGeometry(80, 30, 200, 24);
        frameButton->setGeometry(290, 30, 40, 24);
        button->setGeometry(10, 120, 380, 30);
        list->setGeometry(10, 160, 180, 100);
        grid->setGeometry(200, 160, 190, 100);
        grid->setModel(&model);
        label->setGeometry(10, 280, 100, 20);
        installPointerFeedback(window, {frameButton, button}, {&window, frame, text, list, grid});
    }
};

void moveOver(QWidget *widget, QPoint position)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(position), QPointF(widget->mapToGlobal(position)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void moveOver(QWidget *widget)
{
    moveOver(widget, widget->rect().center());
}

} // namespace

class PointerFeedbackTest : public QObject {
    Q_OBJECT
private slots:
    void handOverButtonsDefaultOverWindowAndListedControls()
    {
        HoverWindow w;
        moveOver(w.button);
        QCOMPARE(w.window.MousePointer(), 99);
        moveOver(&w.window, QPoint(200, 350)); // empty part of the window
        QCOMPARE(w.window.MousePointer(), 0);
        moveOver(w.frameButton);
        QCOMPARE(w.window.MousePointer(), 99);
        moveOver(w.text);
        QCOMPARE(w.window.MousePointer(), 0);
        moveOver(w.frameButton);
        moveOver(w.frame, QPoint(350, 80)); // empty part of the frame
        QCOMPARE(w.window.MousePointer(), 0);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF());
        QApplication::sendEvent(w.button, &enter);
        QCOMPARE(w.window.MousePointer(), 99);
    }

    void compositeControlsCountInAllTheirParts()
    {
        HoverWindow w;
        const QList<QWidget *> parts{w.list->viewport(), w.grid->viewport(), w.grid->horizontalHeader(),
                                     w.grid->verticalHeader()->viewport()};
        for (QWidget *part : parts) {
            moveOver(w.button);
            QCOMPARE(w.window.MousePointer(), 99);
            moveOver(part);
            QVERIFY2(w.window.MousePointer() == 0, qPrintable(part->metaObject()->className()));
        }
    }

    void unlistedControlsLeaveThePointerAsItWas()
    {
        HoverWindow w;
        moveOver(w.button);
        moveOver(w.label);
        moveOver(w.frameLabel);
        QCOMPARE(w.window.MousePointer(), 99);

        // A label that follows the mouse passes the move on to its frame and
        // window; that must not count as movement over them.
        w.frameLabel->setMouseTracking(true);
        w.label->setMouseTracking(true);
        moveOver(w.frameLabel);
        moveOver(w.label);
        QCOMPARE(w.window.MousePointer(), 99);

        // Entering a label from outside enters its frame and window as well.
        QEnterEvent enterWindow(QPointF(w.label->geometry().center()), QPointF(), QPointF());
        QApplication::sendEvent(&w.window, &enterWindow);
        QCOMPARE(w.window.MousePointer(), 99);
    }

    void hourglassIsNeverReplaced()
    {
        HoverWindow w;
        w.window.setMousePointer(WizardWindow::Hourglass);
        const QList<QWidget *> targets{w.button, w.frameButton, w.text, w.frame,
                                       w.list->viewport(), w.grid->viewport(), &w.window};
        for (QWidget *target : targets) {
            moveOver(target);
            QCOMPARE(w.window.MousePointer(), 11);
        }
        QCOMPARE(w.window.cursor().shape(), Qt::WaitCursor);

        // Once the operation resets the pointer, the feedback is back.
        w.window.setMousePointer(WizardWindow::Default);
        moveOver(w.button);
        QCOMPARE(w.window.MousePointer(), 99);
    }

    void missingOrBadCursorFileStillGivesFeedback()
    {
        QTemporaryDir folder;
        QFile bad(folder.filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a cursor");
        bad.close();

        for (const QString &path : {folder.filePath(QStringLiteral("missing.cur")), bad.fileName()}) {
            HoverWindow w;
            QVERIFY_THROWS_EXCEPTION(AppError, loadMouseIcon(w.window, path));
            QVERIFY(!w.window.hasMouseIcon());
            moveOver(w.button);
            QCOMPARE(w.window.MousePointer(), 99);
            moveOver(&w.window, QPoint(200, 350));
            QCOMPARE(w.window.MousePointer(), 0);
        }
    }

    void handShowsTheCursorFileImage()
    {
        const QString shipped = qEnvironmentVariable("TABVALE_SOURCE_DIR") + QStringLiteral("/assets/HAND-M.CUR");
        HoverWindow w;
        loadMouseIcon(w.window, shipped);
        QVERIFY(w.window.hasMouseIcon());
        QCOMPARE(w.window.cursor().shape(), Qt::ArrowCursor);
        moveOver(w.button);
        QCOMPARE(w.window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(w.window.cursor().hotSpot(), loadCursorFile(shipped).hotSpot());
    }
};

QTEST_MAIN(PointerFeedbackTest)
#include "pointer_feedback_test.moc"
