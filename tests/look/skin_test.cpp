// Window colours, the login window's skin and the application icon.
#include "app/app_error.h"
#include "app/ui/kit/look.h"
#include "app/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Distinct from white and from the palette's window colour, so that a
// window painted with the wrong role shows.
const QColor face(0xd4, 0xd0, 0xc8);

QColor background(const QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

bool paintedFace(const QWidget *widget)
{
    return widget->autoFillBackground() && background(widget) == face;
}

// The login window as it is built: white, with a frame of three labels,
// three text boxes and buttons.
struct LoginWindow {
    QWidget window;
    QGroupBox *frame = new QGroupBox(QStringLiteral("Oracle Login"), &window);
    QList<QLabel *> labels{new QLabel(QStringLiteral("SID:"), frame), new QLabel(QStringLiteral("Username:"), frame),
                           new QLabel(QStringLiteral("Password:"), frame)};
    QList<QLineEdit *> texts{new QLineEdit(frame), new QLineEdit(frame), new QLineEdit(frame)};
    QPushButton *button = new QPushButton(QStringLiteral("Next >"), &window);

    LoginWindow()
    {
        window.setAutoFillBackground(true);
        QPalette white = window.palette();
        white.setColor(QPalette::Window, Qt::white);
        window.setPalette(white);
    }
};

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList parseWarnings;

void collectParseWarnings(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message.contains(QLatin1String("parse"), Qt::CaseInsensitive))
        parseWarnings << message;
}

} // namespace

class SkinTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, face);
        QApplication::setPalette(palette);
    }

    void faceColourReachesFramesLabelsOptionsAndChecksOnly()
    {
        QWidget window;
        auto *frame = new QGroupBox(&window);
        auto *label = new QLabel(frame); // inside a frame still counts
        auto *option = new QRadioButton(&window);
        auto *check = new QCheckBox(frame);
        auto *text = new QLineEdit(&window);
        auto *list = new QListWidget(&window);
        auto *button = new QPushButton(&window);
        auto *grid = new QTableView(&window);

        ApplyFaceColor(window);

        for (const QWidget *painted : {&window, static_cast<QWidget *>(frame), static_cast<QWidget *>(label),
                                       static_cast<QWidget *>(option), static_cast<QWidget *>(check)})
            QVERIFY2(paintedFace(painted), painted->metaObject()->className());
        for (const QWidget *untouched : {static_cast<QWidget *>(text), static_cast<QWidget *>(list),
                                         static_cast<QWidget *>(button), static_cast<QWidget *>(grid)}) {
            QVERIFY2(!untouched->testAttribute(Qt::WA_SetPalette), untouched->metaObject()->className());
            QVERIFY(!untouched->autoFillBackground());
        }
    }

    void withoutSkinFileTheLoginWindowStaysWhite()
    {
        QTemporaryDir folder;
        LoginWindow login;
        applySkinFile(login.window, folder.filePath(QStringLiteral("x/o.cjs")));
        QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("y/o.cjs")))); // a folder is no skin
        applySkinFile(login.window, folder.filePath(QStringLiteral("y/o.cjs")));

        // The program folder of the test has no skin either.
        QVERIFY(!QFileInfo::exists(skinFilePath()));
        ApplySkin(login.window);

        QCOMPARE(background(&login.window), QColor(Qt::white));
        QVERIFY(!login.frame->autoFillBackground());
        for (const QLabel *label : login.labels)
            QVERIFY(!label->autoFillBackground());
        QVERIFY(login.window.styleSheet().isEmpty());
    }

    void skinFileGivesFaceColourThenStyleSheetToLoginWindowOnly()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("x/o.cjs"));
        const QByteArray sheet = "QPushButton { font-weight: bold; } /* \xc3\xa9 */";
        writeFile(path, sheet);
        LoginWindow login;
        QWidget chooser;
        ApplyFaceColor(chooser);

        applySkinFile(login.window, path);

        QVERIFY(paintedFace(&login.window));
        QVERIFY(paintedFace(login.frame));
        for (const QLabel *label : login.labels)
            QVERIFY(paintedFace(label));
        for (const QLineEdit *text : login.texts)
            QVERIFY(!text->testAttribute(Qt::WA_SetPalette));
        QCOMPARE(login.window.styleSheet(), QString::fromUtf8(sheet));
        QVERIFY(login.frame->styleSheet().isEmpty());
        QVERIFY(chooser.styleSheet().isEmpty());
        QVERIFY(qApp->styleSheet().isEmpty());
    }

    void unreadableSkinFileIsReportedAfterTheColour()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("x/o.cjs"));
        QDir().mkpath(folder.filePath(QStringLiteral("x")));
        // Even root cannot read this file: the read fails with an I/O error.
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path));
        LoginWindow login;
        try {
            applySkinFile(login.window, path);
            QFAIL("an unreadable skin was accepted");
        } catch (const AppError &error) {
            QVERIFY2(error.description().contains(path), qPrintable(error.description()));
        }
        QVERIFY(paintedFace(&login.window));
        QVERIFY(login.window.styleSheet().isEmpty());
    }

    void shippedSkinParsesCleanly()
    {
        const QString path = qEnvironmentVariable("TABVALE_SOURCE_DIR") + QStringLiteral("/assets/skin/o.cjs");
        QVERIFY(QFileInfo::exists(path));
        LoginWindow login;
        login.window.resize(536, 211);
        parseWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectParseWarnings);
        applySkinFile(login.window, path);
        login.window.grab(); // polishes and paints every control with the sheet
        qInstallMessageHandler(previous);
        QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join(QLatin1Char('\n'))));
        QVERIFY(!login.window.styleSheet().isEmpty());
    }

    void applicationIconHasEverySize()
    {
        const QIcon icon = applicationIcon();
        QVERIFY(!icon.isNull());
        for (int size : {16, 32, 48, 256}) {
            QVERIFY(icon.availableSizes().contains(QSize(size, size)));
            const QImage image = icon.pixmap(size, size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(image.hasAlphaChannel());
        }
    }
};

QTEST_MAIN(SkinTest)
#include "skin_test.moc"
