#include "app/app_title.h"
#include "app/error_trap.h"
#include "support/message_capture.h"

#include <QtTest>

namespace {

const QString screenshotLine =
    QStringLiteral("Please email screenshot of this message to support@tabvale.example.com");

// An operation without a trap of its own: its failure belongs to the caller.
int untrappedHelper(QStringList &trace)
{
    trace << QStringLiteral("helper start");
    throw AppError(QStringLiteral("helper failed"));
}

} // namespace

class ErrorTrapTest : public QObject {
    Q_OBJECT
private slots:
    void init() { resetAppTitle(); }

    void failingStepShowsTheBoxByteForByte()
    {
        MessageCapture boxes;
        ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.Form_Load "));
        trap.step(100, [] {});
        trap.step(102, [] {});
        trap.step(104, [] { throw AppError(QStringLiteral("ORA-01017: invalid username/password")); });

        QCOMPARE(boxes.boxes().size(), size_t(1));
        const auto &box = boxes.boxes().front();
        QCOMPARE(box.text, QStringLiteral("ORA-01017: invalid username/password\r\n"
                                          "in Tabvale2020/08/02.Form1.Form_Load at line 104\r\r")
                               + screenshotLine);
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(box.flags, 48);
    }

    void executionResumesAfterFailures()
    {
        MessageCapture boxes;
        QStringList trace;
        ErrorTrap trap(QStringLiteral("in Tabvale.Form3.mnuXLS_Click "));
        trap.step(100, [&] { trace << "100"; });
        trap.step(102, [&] { throw AppError(QStringLiteral("first")); });
        trap.step(104, [&] { trace << "104"; });
        trap.step(106, [&] { throw std::runtime_error("second"); });
        trap.run([&] { throw AppError(QStringLiteral("third")); });
        trap.step(108, [&] { trace << "108"; });

        QCOMPARE(trace, QStringList({"100", "104", "108"}));
        QCOMPARE(boxes.boxes().size(), size_t(3));
        QVERIFY(boxes.texts()[0].startsWith("first\r\nin Tabvale.Form3.mnuXLS_Click at line 102\r\r"));
        QVERIFY(boxes.texts()[1].startsWith("second\r\nin Tabvale.Form3.mnuXLS_Click at line 106\r\r"));
        // A statement without a number of its own reports the last one.
        QVERIFY(boxes.texts()[2].startsWith("third\r\nin Tabvale.Form3.mnuXLS_Click at line 106\r\r"));
    }

    void failingConditionalTestEntersTheBody()
    {
        MessageCapture boxes;
        ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form1.PushButton3_Click "));
        bool bodyRan = false;
        if (trap.test(100, []() -> bool { throw AppError(QStringLiteral("no provider")); }))
            bodyRan = true;
        QVERIFY(bodyRan);
        QCOMPARE(boxes.boxes().size(), size_t(1));

        bool falseTestRan = false;
        if (trap.test(102, [] { return false; }))
            falseTestRan = true;
        QVERIFY(!falseTestRan);
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    void failureInCalledOperationIsReportedWithTheCallersLine()
    {
        MessageCapture boxes;
        QStringList trace;
        ErrorTrap trap(QStringLiteral("in Tabvale2020/08/02.Form2.Form_Load "));
        trap.step(122, [&] { trace << "122"; });
        trap.step(124, [&] {
            untrappedHelper(trace);
            trace << QStringLiteral("after helper"); // never reached
        });
        trap.step(126, [&] { trace << "126"; });

        QCOMPARE(trace, QStringList({"122", "helper start", "126"}));
        QCOMPARE(boxes.texts(), QStringList({QStringLiteral("helper failed\r\nin Tabvale2020/08/02.Form2.Form_Load at line 124\r\r")
                                             + screenshotLine}));
    }

    void boxesWithoutTitleCarryTheApplicationTitle()
    {
        MessageCapture boxes;
        msgbox::show(QStringLiteral("before"));
        SetAppTitle();
        QCOMPARE(appTitle(), QStringLiteral("Tabvale"));
        msgbox::show(QStringLiteral("after"));
        msgbox::show(QStringLiteral("own"), msgbox::OkOnly, QStringLiteral("Own title"));
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Tabvale Software"));
        QCOMPARE(boxes.boxes()[1].title, QStringLiteral("Tabvale"));
        QCOMPARE(boxes.boxes()[2].title, QStringLiteral("Own title"));
    }

    void displayTextTurnsCarriageReturnsIntoLineBreaks()
    {
        QCOMPARE(msgbox::displayText(QStringLiteral("a\r\nb\rc\n\rd")), QStringLiteral("a\nb\nc\n\nd"));
    }
};

QTEST_MAIN(ErrorTrapTest)
#include "error_trap_test.moc"
