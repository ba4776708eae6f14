#include "export/datagrid_writers.h"

#include "app/error_trap.h"
#include "app/work_progress.h"
#include "memory_grid.h"
#include "support/message_capture.h"
#include "support/small_disk.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <optional>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Writer = void (*)(const RowSource &, const QString &);

const QString csvLocation = QStringLiteral("in Tabvale2020/08/02.Datagrid1.SaveDataGridToCSVFile ");
const QString tabLocation = QStringLiteral("in Tabvale2020/08/02.Datagrid1.SaveDataGridToFile ");
const QString xmlLocation = QStringLiteral("in Tabvale2020/08/02.Datagrid1.SaveDataGridToXMLFile ");

MemoryGrid annAndBob()
{
    return MemoryGrid({"ID", "NAME"}, {{"1", "Ann"}, {"2", "Bob"}});
}

// Values that a careless writer would break: separators, quotes, line breaks,
// markup, NULL, and text outside Latin-1.
MemoryGrid awkwardValues()
{
    return MemoryGrid({"ID", "NOTE"}, {{"1", "a,b"},
                                       {"2", "say \"hi\""},
                                       {"3", "two\r\nlines"},
                                       {"4", "tab\there"},
                                       {"5", std::nullopt},
                                       {"6", "Ærø – 東京 – Ελλάδα"},
                                       {"7", "x < y & y > z"}});
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray runPython(const QString &script, const QString &argument)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, argument});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return "python failed: " + python.readAllStandardError();
    return python.readAllStandardOutput();
}

QString boxText(const QString &description, const QString &location, int line)
{
    return ErrorTrap::reportText(description, location, line);
}

// A folder in which no new file may be made while its files stay writable:
// no write permission, and for root, whom that does not stop, the immutable
// attribute. Both are taken away again at the end.
class FolderRefusingNewFiles {
public:
    explicit FolderRefusingNewFiles(const QString &folder) : folder_(folder)
    {
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (refuses())
            return;
        descriptor_ = ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        if (descriptor_ >= 0 && ::ioctl(descriptor_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ::ioctl(descriptor_, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~FolderRefusingNewFiles()
    {
        int flags = 0;
        if (immutable_ && ::ioctl(descriptor_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(descriptor_, FS_IOC_SETFLAGS, &flags);
        }
        if (descriptor_ >= 0)
            ::close(descriptor_);
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    FolderRefusingNewFiles(const FolderRefusingNewFiles &) = delete;
    FolderRefusingNewFiles &operator=(const FolderRefusingNewFiles &) = delete;

    bool refuses() const
    {
        QFile probe(QDir(folder_).filePath(QStringLiteral("probe")));
        if (!probe.open(QIODevice::WriteOnly))
            return true;
        probe.remove();
        return false;
    }

private:
    QString folder_;
    int descriptor_ = -1;
    bool immutable_ = false;
};

// The process's file size limit, as a disk that is full beyond some size.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit old_{};
    void (*previousHandler_)(int) = nullptr;
};

// Rows enough to fill the write buffer more than once.
MemoryGrid severalMegabytes()
{
    QList<QList<MemoryGrid::Cell>> rows;
    for (int i = 0; i < 10000; ++i)
        rows.append({QString::number(i), QString(1000, QLatin1Char('n'))});
    return MemoryGrid({"ID", "V"}, rows);
}

// Sets TEMP, where the exports keep their scratch files, for as long as it lives.
class TempFolder {
public:
    explicit TempFolder(const QString &folder) : previous_(qgetenv("TEMP")) { qputenv("TEMP", QFile::encodeName(folder)); }
    ~TempFolder()
    {
        if (previous_.isNull())
            qunsetenv("TEMP");
        else
            qputenv("TEMP", previous_);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

private:
    QByteArray previous_;
};

} // namespace

class DatagridWritersTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }

    void writesTheThreeFormatsByteForByte()
    {
        MessageCapture boxes;
        const MemoryGrid grid = annAndBob();
        SaveDataGridToCSVFile(grid, path("a.csv"));
        SaveDataGridToFile(grid, path("a.txt"));
        SaveDataGridToXMLFile(grid, path("a.xml"));

        QCOMPARE(readFile(path("a.csv")), QByteArray("\"ID\",\"NAME\"\r\n\"1\",\"Ann\"\r\n\"2\",\"Bob\"\r\n\r\n"));
        QCOMPARE(readFile(path("a.txt")), QByteArray("ID\tNAME\t\r\n1\tAnn\t\r\n2\tBob\t\r\n\r\n"));
        QCOMPARE(readFile(path("a.xml")),
                 QByteArray("<xml>\r\n<row>\r\n<ID>1</ID>\r\n<NAME>Ann</NAME>\r\n</row>\r\n"
                            "<row>\r\n<ID>2</ID>\r\n<NAME>Bob</NAME>\r\n</row>\r\n</xml>\r\n"));
        QVERIFY(boxes.boxes().empty());
    }

    void emptyTableGivesHeaderOnly()
    {
        const MemoryGrid grid({"ID", "FIRST NAME"}, {});
        SaveDataGridToCSVFile(grid, path("e.csv"));
        SaveDataGridToFile(grid, path("e.txt"));
        SaveDataGridToXMLFile(grid, path("e.xml"));
        QCOMPARE(readFile(path("e.csv")), QByteArray("\"ID\",\"FIRST NAME\"\r\n\r\n"));
        QCOMPARE(readFile(path("e.txt")), QByteArray("ID\tFIRST NAME\t\r\n\r\n"));
        QCOMPARE(readFile(path("e.xml")), QByteArray("<xml>\r\n</xml>\r\n"));

        // Rows without columns: no separator to drop, so no line end is lost.
        SaveDataGridToCSVFile(MemoryGrid({}, {{}, {}}), path("none.csv"));
        QCOMPARE(readFile(path("none.csv")), QByteArray("\r\n\r\n\r\n\r\n"));
    }

    void awkwardValuesAreWrittenAsTheFormatsNeed()
    {
        const MemoryGrid grid = awkwardValues();
        SaveDataGridToCSVFile(grid, path("w.csv"));
        SaveDataGridToFile(grid, path("w.txt"));
        SaveDataGridToXMLFile(grid, path("w.xml"));

        const QByteArray nonLatin = QString("Ærø – 東京 – Ελλάδα").toUtf8();
        QCOMPARE(readFile(path("w.csv")),
                 "\"ID\",\"NOTE\"\r\n\"1\",\"a,b\"\r\n\"2\",\"say \"\"hi\"\"\"\r\n\"3\",\"two\r\nlines\"\r\n"
                 "\"4\",\"tab\there\"\r\n\"5\",\"\"\r\n\"6\",\"" + nonLatin + "\"\r\n\"7\",\"x < y & y > z\"\r\n\r\n");
        QCOMPARE(readFile(path("w.txt")),
                 "ID\tNOTE\t\r\n1\ta,b\t\r\n2\tsay \"hi\"\t\r\n3\ttwo\r\nlines\t\r\n4\ttab\there\t\r\n5\t\t\r\n6\t"
                 + nonLatin + "\t\r\n7\tx < y & y > z\t\r\n\r\n");
        const QByteArray xml = readFile(path("w.xml"));
        QVERIFY(xml.contains("<NOTE>say \"hi\"</NOTE>\r\n"));
        QVERIFY(xml.contains("<NOTE></NOTE>\r\n"));
        QVERIFY(xml.contains("<NOTE>" + nonLatin + "</NOTE>\r\n"));
        QVERIFY(xml.contains("<NOTE>x &lt; y &amp; y &gt; z</NOTE>\r\n"));
        QVERIFY(!xml.startsWith("\xEF\xBB\xBF"));
    }

    void captionsAreWrittenUnchangedInXml()
    {
        const MemoryGrid grid({"FIRST NAME"}, {{"Ann"}});
        SaveDataGridToXMLFile(grid, path("c.xml"));
        QCOMPARE(readFile(path("c.xml")),
                 QByteArray("<xml>\r\n<row>\r\n<FIRST NAME>Ann</FIRST NAME>\r\n</row>\r\n</xml>\r\n"));
    }

    void csvReadsBackWithAStandardReader()
    {
        const MemoryGrid grid = awkwardValues();
        SaveDataGridToCSVFile(grid, path("r.csv"));
        const QByteArray json = runPython(QStringLiteral(
            "import csv, json, sys\n"
            "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8', newline='')))\n"
            "assert rows[-1] == [], rows[-1]\n"
            "print(json.dumps(rows[:-1]))\n"), path("r.csv"));
        QCOMPARE(QJsonDocument::fromJson(json).array(), expectedTexts(grid));
    }

    void xmlParsesWithAStandardParser()
    {
        const MemoryGrid grid = awkwardValues();
        SaveDataGridToXMLFile(grid, path("r.xml"));
        const QByteArray json = runPython(QStringLiteral(
            "import json, sys, xml.etree.ElementTree as ET\n"
            "root = ET.parse(sys.argv[1]).getroot()\n"
            "assert root.tag == 'xml'\n"
            "rows = [[c.tag for c in root[0]]] + [[c.text or '' for c in r] for r in root]\n"
            "print(json.dumps(rows))\n"), path("r.xml"));
        // The parser turns CR LF inside a text into LF, as XML requires.
        QJsonArray expected = expectedTexts(grid);
        QJsonArray third = expected[3].toArray();
        third[1] = QStringLiteral("two\nlines");
        expected[3] = third;
        QCOMPARE(QJsonDocument::fromJson(json).array(), expected);
    }

    void unwritableTargetIsReportedOnceAndKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("csv") << 0;
        QTest::newRow("txt") << 1;
        QTest::newRow("xml") << 2;
    }

    void unwritableTargetIsReportedOnceAndKeepsTheOldFile()
    {
        QFETCH(int, format);
        const Writer writers[] = {SaveDataGridToCSVFile, SaveDataGridToFile, SaveDataGridToXMLFile};
        const QString locations[] = {csvLocation, tabLocation, xmlLocation};
        const int lines[] = {142, 134, 130};
        const MemoryGrid grid = annAndBob();

        MessageCapture boxes;
        const QString missing = path("no such folder/x.out");
        writers[format](grid, missing);
        QCOMPARE(boxes.texts(),
                 QStringList{boxText("Cannot write \"" + missing + "\": No such file or directory",
                                     locations[format], lines[format])});
        QCOMPARE(boxes.boxes().front().flags, int(msgbox::Exclamation));
        QVERIFY(!QFileInfo::exists(path("no such folder")));

        boxes.clear();
        const QString readOnly = path("locked.out");
        writeFile(readOnly, "old content");
        QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        writers[format](grid, readOnly);
        QCOMPARE(boxes.texts(), QStringList{boxText("Cannot write \"" + readOnly + "\": Permission denied",
                                                    locations[format], lines[format])});
        QCOMPARE(readFile(readOnly), QByteArray("old content"));
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), QStringList{"locked.out"});
    }

    void existingFileIsReplacedWhole()
    {
        const QString target = path("old.csv");
        writeFile(target, QByteArray(10000, 'x'));
        SaveDataGridToCSVFile(annAndBob(), target);
        QCOMPARE(readFile(target), QByteArray("\"ID\",\"NAME\"\r\n\"1\",\"Ann\"\r\n\"2\",\"Bob\"\r\n\r\n"));
    }

    // A disk that fills up halfway: the process's file size limit plays the
    // full disk, so that the write fails after several megabytes.
    void failureMidwayKeepsTheOldFile()
    {
        QList<QList<MemoryGrid::Cell>> rows;
        for (int i = 0; i < 6000; ++i)
            rows.append({QString::number(i), QString(1000, QLatin1Char('v'))});
        const MemoryGrid big({"ID", "V"}, rows);
        const QString target = path("big.csv");
        writeFile(target, "precious");

        MessageCapture boxes;
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old;
        limited.rlim_cur = 1024 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        SaveDataGridToCSVFile(big, target);
        SaveDataGridToXMLFile(big, target);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(boxes.texts(),
                 (QStringList{boxText("Cannot write \"" + target + "\": File too large", csvLocation, 142),
                              boxText("Cannot write \"" + target + "\": File too large", xmlLocation, 130)}));
        QCOMPARE(readFile(target), QByteArray("precious"));
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), QStringList{"big.csv"});
    }

    // Where the temporary file beside the target cannot work, the target is
    // written in place: a file with a second name, a folder that takes no new
    // file. A write that fails before its first byte still keeps the old file.
    void writesInPlaceWhereReplacingCannotWork()
    {
        const MemoryGrid grid = annAndBob();
        const QByteArray expected("ID\tNAME\t\r\n1\tAnn\t\r\n2\tBob\t\r\n\r\n");
        MessageCapture boxes;

        const QString linked = path("linked.txt");
        writeFile(linked, QByteArray(500, 'o'));
        QCOMPARE(::link(QFile::encodeName(linked).constData(), QFile::encodeName(path("other name.txt")).constData()), 0);
        SaveDataGridToFile(grid, linked);
        QCOMPARE(readFile(path("other name.txt")), expected);
        QCOMPARE(readFile(linked), expected);

        QVERIFY(QDir(folder_->path()).mkdir("closed"));
        const QString inClosed = path("closed/old.txt");
        writeFile(inClosed, QByteArray(500, 'o'));
        {
            FolderRefusingNewFiles closed(path("closed"));
            if (!closed.refuses())
                QSKIP("cannot make a folder refuse new files here");
            SaveDataGridToFile(grid, inClosed);
            QCOMPARE(readFile(inClosed), expected);

            writeFile(inClosed, "precious");
            rlimit old{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit none = old;
            none.rlim_cur = 0;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
            SaveDataGridToFile(grid, inClosed);
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, previousHandler);
            QCOMPARE(boxes.texts(), QStringList{boxText("Cannot write \"" + inClosed + "\": File too large", tabLocation, 134)});
            QCOMPARE(readFile(inClosed), QByteArray("precious"));
        }
        QCOMPARE(QDir(path("closed")).entryList(QDir::Files), QStringList{"old.txt"});
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    // A file with a second name is written in place, so that both names see
    // the new text; an export that fails or is stopped halfway must leave
    // both with the old text, and leave no scratch file behind.
    void secondNameKeepsTheOldTextWhenAnExportFailsOrStops_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("stopped by the user") << "stop";
        QTest::newRow("file size limit") << "limit";
        QTest::newRow("target's disk full") << "full target disk";
        QTest::newRow("temporary folder's disk full") << "full temporary disk";
    }
    void secondNameKeepsTheOldTextWhenAnExportFailsOrStops()
    {
        QFETCH(QString, how);
        QVERIFY(QDir(folder_->path()).mkpath("scratch"));
        const TempFolder scratch(path("scratch"));
        std::optional<SmallDisk> disk;
        QString folder = path("files");
        if (how == "full target disk") {
            disk.emplace(folder, 1024);
        } else {
            QVERIFY(QDir().mkpath(folder));
            if (how == "full temporary disk")
                disk.emplace(path("scratch"), 1024);
        }
        if (disk && !disk->mounted())
            QSKIP("mounting a small file system needs root");

        const QString target = folder + "/linked.csv";
        const QString otherName = folder + "/other name.csv";
        const QByteArray old = "precious old text\r\n" + QByteArray(300 * 1024, 'o');
        writeFile(target, old);
        QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(otherName).constData()), 0);

        const MemoryGrid grid = severalMegabytes();
        MessageCapture boxes;
        qint64 lastRow = 0;
        {
            // Stops after the first buffer went to the disk.
            const workprogress::Listener listener([&](qint64 done) {
                lastRow = done;
                return how != "stop" || done < 8000;
            });
            std::optional<FileSizeLimit> limit;
            if (how == "limit")
                limit.emplace(1024 * 1024);
            SaveDataGridToCSVFile(grid, target);
            SaveDataGridToXMLFile(grid, target);
        }

        if (how == "stop") {
            QVERIFY(boxes.boxes().empty());
            QCOMPARE(lastRow, qint64(8000));
        } else {
            const QString cause = how == "limit" ? "File too large" : "No space left on device";
            QCOMPARE(boxes.texts(), (QStringList{boxText("Cannot write \"" + target + "\": " + cause, csvLocation, 142),
                                                 boxText("Cannot write \"" + target + "\": " + cause, xmlLocation, 130)}));
        }
        QVERIFY(readFile(target) == old);
        QVERIFY(readFile(otherName) == old);
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"linked.csv", "other name.csv"}));
        QCOMPARE(QDir(path("scratch")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The whole new text reaches every name of the file, also when it is
    // longer than the buffer and than the old text, or shorter.
    void secondNameSeesTheWholeNewText()
    {
        QVERIFY(QDir(folder_->path()).mkpath("scratch"));
        const TempFolder scratch(path("scratch"));
        const QString target = path("linked.txt");
        const QString otherName = path("other.txt");
        writeFile(target, QByteArray(100, 'o'));
        QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(otherName).constData()), 0);

        const MemoryGrid big = severalMegabytes();
        SaveDataGridToFile(big, path("plain.txt"));
        SaveDataGridToFile(big, target);
        QVERIFY(readFile(path("plain.txt")).size() > 2 * 4 * 1024 * 1024);
        QVERIFY(readFile(otherName) == readFile(path("plain.txt")));

        SaveDataGridToFile(annAndBob(), target);
        QCOMPARE(readFile(otherName), QByteArray("ID\tNAME\t\r\n1\tAnn\t\r\n2\tBob\t\r\n\r\n"));
        QCOMPARE(QDir(path("scratch")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void exportLargerThanTheBufferIsWrittenWhole()
    {
        QList<QList<MemoryGrid::Cell>> rows;
        QByteArray expected = "\"N\",\"T\"\r\n";
        for (int i = 0; i < 60000; ++i) {
            const QString text = QStringLiteral("row \"%1\" of many, with text to fill the buffer ").arg(i)
                + QString(100, QLatin1Char('.'));
            rows.append({QString::number(i), text});
            expected += "\"" + QByteArray::number(i) + "\",\"" + text.toUtf8().replace("\"", "\"\"") + "\"\r\n";
        }
        expected += "\r\n";
        QVERIFY(expected.size() > 2 * 4 * 1024 * 1024);
        SaveDataGridToCSVFile(MemoryGrid({"N", "T"}, rows), path("large.csv"));
        QVERIFY(readFile(path("large.csv")) == expected);
    }

    // A cell that cannot be read is reported where it is read and left out
    // whole; the rest of the row and the file are still written.
    void unreadableCellIsReportedAndLeftOut()
    {
        MemoryGrid grid = annAndBob();
        grid.failAt(0, 1);
        grid.failAt(1, 0);
        const QString failure0 = QStringLiteral("Cell 0,1 cannot be read");
        const QString failure1 = QStringLiteral("Cell 1,0 cannot be read");

        MessageCapture boxes;
        SaveDataGridToCSVFile(grid, path("u.csv"));
        SaveDataGridToFile(grid, path("u.txt"));
        SaveDataGridToXMLFile(grid, path("u.xml"));
        QCOMPARE(boxes.texts(), (QStringList{boxText(failure0, csvLocation, 130), boxText(failure1, csvLocation, 130),
                                             boxText(failure0, tabLocation, 126), boxText(failure1, tabLocation, 126),
                                             boxText(failure0, xmlLocation, 120), boxText(failure1, xmlLocation, 120)}));
        QCOMPARE(readFile(path("u.csv")), QByteArray("\"ID\",\"NAME\"\r\n\"1\"\r\n\"Bob\"\r\n\r\n"));
        QCOMPARE(readFile(path("u.txt")), QByteArray("ID\tNAME\t\r\n1\t\r\nBob\t\r\n\r\n"));
        QCOMPARE(readFile(path("u.xml")), QByteArray("<xml>\r\n<row>\r\n<ID>1</ID>\r\n</row>\r\n"
                                                     "<row>\r\n<NAME>Bob</NAME>\r\n</row>\r\n</xml>\r\n"));
    }

    void writeStringToFileAddsTheLineEnd()
    {
        WriteStringToFile(QStringLiteral("ä"), path("s.txt"));
        QCOMPARE(readFile(path("s.txt")), QByteArray("\xC3\xA4\r\n"));
        QVERIFY_THROWS_EXCEPTION(AppError, WriteStringToFile("x", path("missing/s.txt")));
    }

private:
    QString path(const QString &name) const { return folder_->filePath(name); }

    static QJsonArray expectedTexts(const MemoryGrid &grid)
    {
        QJsonArray rows;
        QJsonArray captions;
        for (int i = 0; i < grid.columnCount(); ++i)
            captions.append(grid.caption(i));
        rows.append(captions);
        for (qint64 r = 0; r < grid.rowCount(); ++r) {
            QJsonArray row;
            for (int i = 0; i < grid.columnCount(); ++i)
                row.append(grid.cellText(r, i));
            rows.append(row);
        }
        return rows;
    }

    std::unique_ptr<QTemporaryDir> folder_;
};

QTEST_MAIN(DatagridWritersTest)
#include "datagrid_writers_test.moc"
