// Reading the hand pointer from a Windows cursor file.
#include "app/app_error.h"
#include "app/ui/kit/look.h"

#include <QBitmap>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

constexpr int side = 32;

template <class T>
void append(QByteArray &data, T value)
{
    const T little = qToLittleEndian(value);
    data.append(reinterpret_cast<const char *>(&little), sizeof little);
}

// A 32x32 cursor, 32 bits with alpha, transparent but for one opaque red
// pixel at `red` (top-down coordinates).
QByteArray cursorBytes(QPoint hotspot, QPoint red, quint16 type = 2)
{
    QByteArray image;
    append<quint32>(image, 40);
    append<qint32>(image, side);
    append<qint32>(image, side * 2);
    append<quint16>(image, 1);
    append<quint16>(image, 32);
    for (int i = 0; i < 6; ++i)
        append<quint32>(image, 0);
    for (int row = side - 1; row >= 0; --row) {
        for (int col = 0; col < side; ++col)
            append<quint32>(image, QPoint(col, row) == red ? 0xffff0000u : 0u);
    }
    image.append(side * 4, '\xff'); // transparency mask: all see-through

    QByteArray file;
    append<quint16>(file, 0);
    append<quint16>(file, type);
    append<quint16>(file, 1);
    file.append(char(side)).append(char(side)).append(char(0)).append(char(0));
    append<quint16>(file, quint16(hotspot.x()));
    append<quint16>(file, quint16(hotspot.y()));
    append<quint32>(file, quint32(image.size()));
    append<quint32>(file, 22);
    return file + image;
}

QString writeFile(const QTemporaryDir &folder, const QString &name, const QByteArray &content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    return path;
}

} // namespace

class CursorFileTest : public QObject {
    Q_OBJECT
private slots:
    void hotspotAndImageComeFromTheFile_data()
    {
        QTest::addColumn<QPoint>("hotspot");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("fingertip") << QPoint(6, 0) << QPoint(6, 0);
        QTest::newRow("asymmetric") << QPoint(3, 17) << QPoint(3, 17);
        QTest::newRow("far corner") << QPoint(31, 31) << QPoint(31, 31);
        // A hotspot off the picture would put the click outside it.
        QTest::newRow("off the image") << QPoint(500, 40) << QPoint(31, 31);
    }

    void hotspotAndImageComeFromTheFile()
    {
        QFETCH(QPoint, hotspot);
        QFETCH(QPoint, expected);
        QTemporaryDir folder;
        const QString path = writeFile(folder, QStringLiteral("hand.cur"), cursorBytes(hotspot, QPoint(4, 2)));

        const QCursor cursor = loadCursorFile(path);

        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), expected);
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(image.size(), QSize(side, side));
        QCOMPARE(image.pixelColor(4, 2), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(4, side - 1 - 2).alpha(), 0);
    }

    void filesThatAreNoCursorAreRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray good = cursorBytes(QPoint(1, 1), QPoint(0, 0));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("this is not a cursor at all, just some words");
        QTest::newRow("icon, not cursor") << cursorBytes(QPoint(1, 1), QPoint(0, 0), 1);
        QTest::newRow("truncated image") << good.left(good.size() - 200);
        QTest::newRow("directory only") << good.left(22);
        QByteArray wrongOffset = good;
        qToLittleEndian<quint32>(0x7fffffff, wrongOffset.data() + 18);
        QTest::newRow("image offset beyond the end") << wrongOffset;
        QByteArray garbledImage = good;
        garbledImage.replace(22, 40, QByteArray(40, 'z'));
        QTest::newRow("garbled image") << garbledImage;
        QTest::newRow("huge") << good + QByteArray(5 * 1024 * 1024, '\0');
    }

    void filesThatAreNoCursorAreRefused()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString path = writeFile(folder, QStringLiteral("HAND-M.CUR"), content);
        try {
            loadCursorFile(path);
            QFAIL("accepted as a cursor");
        } catch (const AppError &error) {
            QVERIFY2(error.description().contains(path), qPrintable(error.description()));
        }
    }

    void missingFileOrFolderIsRefused()
    {
        QTemporaryDir folder;
        QVERIFY_THROWS_EXCEPTION(AppError, loadCursorFile(folder.filePath(QStringLiteral("HAND-M.CUR"))));
        QVERIFY_THROWS_EXCEPTION(AppError, loadCursorFile(folder.path()));
    }

    void shippedHandPointsWithItsHotspot()
    {
        const QString asset = qEnvironmentVariable("TABVALE_SOURCE_DIR") + QStringLiteral("/assets/HAND-M.CUR");
        const QCursor hand = loadCursorFile(asset);
        const QImage image = hand.pixmap().toImage();
        QCOMPARE(image.size(), QSize(side, side));
        // The click lands on the drawn fingertip, and nothing is drawn above it.
        QCOMPARE(image.pixelColor(hand.hotSpot()).alpha(), 255);
        for (int y = 0; y < hand.hotSpot().y(); ++y)
            QCOMPARE(image.pixelColor(hand.hotSpot().x(), y).alpha(), 0);

        // The build puts the same file next to the program.
        QFile shipped(asset);
        QFile installed(qEnvironmentVariable("TABVALE_PROGRAM_DIR") + QStringLiteral("/HAND-M.CUR"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QVERIFY2(installed.open(QIODevice::ReadOnly), qPrintable(installed.fileName()));
        QCOMPARE(installed.readAll(), shipped.readAll());
    }
};

QTEST_MAIN(CursorFileTest)
#include "cursor_file_test.moc"
