#include "app/settings_store.h"

#include <QtTest>
#include <dlfcn.h>
#include <sys/stat.h>

namespace {

// What a rename over the settings file put in place: the file's mode and
// whether it held the text watched for. Qt writes the settings into a new
// file and renames it over the old one; by the rename the new file holds all
// it will hold, so its mode then is the mode others could read it under.
struct RenameSeen {
    mode_t mode = 0;
    bool holdsWatchedText = false;
};
QList<RenameSeen> renamesSeen;
QByteArray watchedText;

} // namespace

// Stands in for the C library's rename for the whole test program: looks at
// the file about to be put in place, then renames it as the library would.
extern "C" int rename(const char *from, const char *to)
{
    using Rename = int (*)(const char *, const char *);
    static const auto real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    if (!watchedText.isEmpty() && QByteArray(to).endsWith(".ini")) {
        RenameSeen seen;
        struct stat info {};
        if (::stat(from, &info) == 0)
            seen.mode = info.st_mode & 07777;
        QFile file(QFile::decodeName(from));
        seen.holdsWatchedText = file.open(QIODevice::ReadOnly) && file.readAll().contains(watchedText);
        renamesSeen.append(seen);
    }
    return real(from, to);
}

class SettingsStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_->path());
    }

    void valuesComeBackExactlyAsWritten_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("ORCL");
        QTest::newRow("blanks inside and around") << QStringLiteral("  pass word  ");
        QTest::newRow("separators") << QStringLiteral("a;b=c,d");
        QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
        QTest::newRow("backslashes and brackets") << QStringLiteral("C:\\x\\[y] #not a comment");
        QTest::newRow("non-Latin") << QStringLiteral("пароль密码ß");
        QTest::newRow("empty") << QString();
        QTest::newRow("percent and newline") << QStringLiteral("100%\r\nnext");
    }

    void valuesComeBackExactlyAsWritten()
    {
        QFETCH(QString, value);
        SaveSetting("Kestrelon", "Tabvale Software", "OraclePassword", value);
        const QString back = GetSetting("Kestrelon", "Tabvale Software", "OraclePassword", "default");
        QCOMPARE(back, value);
    }

    void missingKeysGiveTheDefaultAndWriteNothing()
    {
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OracleSID"), QString());
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OracleSID", "x"), QStringLiteral("x"));
        QCOMPARE(GetSetting("Nobody", "No section", "No key"), QString());
        QVERIFY(!QFileInfo::exists(settingsFilePath("Kestrelon")));
    }

    void fileIsOwnerOnlyAndStaysSo()
    {
        SaveSetting("Kestrelon", "Tabvale Software", "OracleSID", "first");
        const QString path = settingsFilePath("Kestrelon");
        QVERIFY(path.startsWith(dir_->path()));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));

        ::chmod(QFile::encodeName(path).constData(), 0644); // as an older version may have left it
        SaveSetting("Kestrelon", "Tabvale Software", "OracleUser", "second");
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OracleSID"), QStringLiteral("first"));
    }

    // An older file readable by others: the new password must never stand in
    // a file others may read, not even in the one about to replace it.
    void theNewPasswordIsNeverInAFileOthersCanRead()
    {
        SaveSetting("Kestrelon", "Tabvale Software", "OraclePassword", "old secret");
        const QString path = settingsFilePath("Kestrelon");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0644), 0);

        renamesSeen.clear();
        watchedText = "new secret";
        SaveSetting("Kestrelon", "Tabvale Software", "OraclePassword", "new secret");
        watchedText.clear();

        QVERIFY2(!renamesSeen.isEmpty(), "the settings were not written through a rename");
        for (const RenameSeen &seen : std::as_const(renamesSeen)) {
            QVERIFY(seen.holdsWatchedText);
            QCOMPARE(seen.mode, mode_t(0600));
        }
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OraclePassword"), QStringLiteral("new secret"));
    }

    // Folders made for the file are the owner's only, whatever the umask.
    void foldersMadeForTheFileAreOwnerOnly()
    {
        const QString base = dir_->filePath("config home");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, base);
        const mode_t previous = ::umask(0);
        SaveSetting("Kestrelon", "Tabvale Software", "OracleSID", "ORCL");
        ::umask(previous);

        for (const QString &folder : {base, base + "/Kestrelon"}) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, mode_t(0700));
        }
        QCOMPARE(QFileInfo(settingsFilePath("Kestrelon")).absolutePath(), base + "/Kestrelon");
        QCOMPARE(GetSetting("Kestrelon", "Tabvale Software", "OracleSID"), QStringLiteral("ORCL"));
    }

    void survivesAFreshStore()
    {
        SaveSetting("Kestrelon", "Tabvale Software", "OracleUser", "scott");
        // A second run of the program reads the file anew.
        QSettings reread(settingsFilePath("Kestrelon"), QSettings::IniFormat);
        reread.beginGroup("Tabvale Software");
        QCOMPARE(reread.value("OracleUser").toString(), QStringLiteral("scott"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
