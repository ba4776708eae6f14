#include "app/settings_store.h"

#include <QtTest>
#include <sys/stat.h>

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
