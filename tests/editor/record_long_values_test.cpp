#include "app/seams.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/binary_value_box.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "editor/ui/record_field.h"
#include "editor/ui/record_view.h"
#include "support/long_values.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Long text and bytea values through the record view against the private
// PostgreSQL: a file loaded into a bytea column reaches the database byte for
// byte and is saved back the same, long text is written exactly, and another
// session's change to either is never overwritten.
namespace {

const QString login = QStringLiteral("record_long_t");

void asLogin(const QString &sql)
{
    testpg::adminExec(QStringLiteral("SET ROLE %1; %2 RESET ROLE;").arg(login, sql));
}

QString inDatabase(const QString &sql) { return testpg::adminQuery(sql.arg(login)).join(u'\n'); }

std::vector<int> allColumns(const TableModel &model)
{
    std::vector<int> columns;
    for (int column = 0; column < model.columnCount(); ++column)
        columns.push_back(column);
    return columns;
}

enum { Id, Note, Data, Label };

using longvalues::awkwardText;
using longvalues::someBytes;

QString md5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class RecordLongValuesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        QLocale::setDefault(QLocale::c());
        user_ = createScratchLogin(login);
    }
    void cleanupTestCase()
    {
        seams::reset();
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void init()
    {
        // Row 2 holds a long text and a megabyte, as the other session finds them.
        asLogin(QStringLiteral("DROP TABLE IF EXISTS %1.blobs;"
                               "CREATE TABLE %1.blobs (id integer PRIMARY KEY, note text, data bytea, label varchar(20));"
                               "INSERT INTO %1.blobs VALUES (1, 'first', '\\x0102', 'a'), "
                               "  (2, repeat('long line\t', 12000), decode(repeat('0123456789abcdef', 131072), 'hex'), "
                               "   'b'), (3, NULL, NULL, 'c');")
                    .arg(login));
        MessageCapture boxes;
        driver_ = std::make_unique<WizardDriver>();
        driver_->logIn(user_);
        QVERIFY(driver_->openTable(QStringLiteral("blobs")));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QVERIFY(dir_.isValid());
        seams::current().openDialog = [this](QWidget *, const QString &) { return openPath_; };
        seams::current().saveDialog = [this](QWidget *, const QString &, const QString &, const QString &) {
            return savePath_;
        };
    }
    void cleanup()
    {
        driver_.reset();
        seams::reset();
    }

    // A megabyte file loaded into a bytea field is written byte for byte,
    // shows in the grid as the driver's hex text as every bytea does, and is
    // saved back to a file identical to the one loaded. A second file then
    // replaces it, found by the megabyte it replaces.
    void aLoadedFileIsWrittenAndSavedBackWhole()
    {
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        QVERIFY(!(model.flags(model.index(0, Data)) & Qt::ItemIsEditable));
        const QByteArray bytes = someBytes(1 << 20, 7);
        openPath_ = dir_.filePath(QStringLiteral("in.bin"));
        QVERIFY(writeFile(openPath_, bytes));

        RecordView view(model, allColumns(model), 0, {}, &grid);
        RecordField &field = *view.field(Data);
        QVERIFY(field.isBinary() && field.isEditable());
        QVERIFY(field.binaryBox()->loadFromFile());
        QVERIFY(!field.isNull());
        QVERIFY(view.writeRow());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase(QStringLiteral("SELECT length(data), md5(data) FROM %1.blobs WHERE id = 1")),
                 QStringLiteral("1048576|") + md5(bytes));
        QCOMPARE(model.cellText(0, Data), QString::fromLatin1(bytes.toHex()));
        const QString tip = model.data(model.index(0, Data), Qt::ToolTipRole).toString();
        QVERIFY2(tip.startsWith(QStringLiteral("1048576 bytes\n")), qPrintable(tip));

        savePath_ = dir_.filePath(QStringLiteral("out.bin"));
        RecordView again(model, allColumns(model), 0, {}, &grid);
        QVERIFY(again.field(Data)->binaryBox()->saveToFile());
        QVERIFY(readFile(savePath_) == bytes);

        const QByteArray other = someBytes(1 << 20, 8);
        QVERIFY(writeFile(openPath_, other));
        QVERIFY(again.field(Data)->binaryBox()->loadFromFile());
        again.field(Label)->enterValue(QStringLiteral("replaced"));
        QVERIFY(again.writeRow());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase(QStringLiteral("SELECT md5(data), label FROM %1.blobs WHERE id = 1")),
                 md5(other) + QStringLiteral("|replaced"));
    }

    // NULL, no bytes at all and a value are three values; a NULL value
    // has nothing to save.
    void nullAndNoBytesAreTwoValues()
    {
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        openPath_ = dir_.filePath(QStringLiteral("empty.bin"));
        QVERIFY(writeFile(openPath_, QByteArray()));
        savePath_ = dir_.filePath(QStringLiteral("never.bin"));

        RecordView view(model, allColumns(model), 2, {}, &grid);
        QVERIFY(view.field(Data)->isNull());
        QVERIFY(!view.field(Data)->binaryBox()->saveToFile());
        QVERIFY(!QFile::exists(savePath_));
        QVERIFY(view.field(Data)->binaryBox()->loadFromFile());
        QVERIFY(!view.field(Data)->isNull());
        QVERIFY(view.writeRow());
        QCOMPARE(inDatabase(QStringLiteral("SELECT data IS NULL, length(data) FROM %1.blobs WHERE id = 3")),
                 QStringLiteral("f|0"));

        // The NULL switch and back gives the bytes back.
        RecordView first(model, allColumns(model), 0, {}, &grid);
        RecordField &data = *first.field(Data);
        data.enterValue(QString(), true);
        QVERIFY(data.isNull());
        QCheckBox *nullSwitch = data.findChild<QCheckBox *>();
        QVERIFY(nullSwitch && nullSwitch->isChecked());
        nullSwitch->click();
        QVERIFY(!data.isNull());
        QCOMPARE(data.text(), QStringLiteral("0102"));
        QVERIFY(!data.isChanged());
        nullSwitch->click();
        QVERIFY(first.writeRow());
        QCOMPARE(inDatabase(QStringLiteral("SELECT data IS NULL FROM %1.blobs WHERE id = 1")), QStringLiteral("t"));
        QVERIFY(model.isNullCell(0, Data));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
    }

    // Over a hundred thousand characters with tabs, line breaks, quotes and
    // characters beyond the basic plane, written and read back exactly.
    void aLongTextIsWrittenExactly()
    {
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        const QString text = awkwardText(120000);
        RecordView view(model, allColumns(model), 0, {}, &grid);
        view.field(Note)->enterValue(text);
        QVERIFY(view.writeRow());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase(QStringLiteral("SELECT md5(note), length(note) FROM %1.blobs WHERE id = 1")),
                 md5(text.toUtf8()) + u'|' + QString::number(text.toUcs4().size()));
        QCOMPARE(model.cellText(0, Note), text);
        QCOMPARE(view.field(Note)->text(), text);
    }

    // Another session changes the row's long text or its bytea meanwhile:
    // both stand in the condition that finds the row, so the write is
    // refused, the database keeps the other session's value and the dialog
    // keeps what was put in.
    void anotherSessionsChangeIsRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("bytea") << "data = data || '\\x00'::bytea";
        QTest::newRow("long text") << "note = note || 'x'";
    }
    void anotherSessionsChangeIsRefused()
    {
        QFETCH(QString, change);
        MessageCapture boxes;
        DataGrid &grid = *driver_->editor().DataGrid1;
        TableModel &model = grid.tableModel();
        const QByteArray bytes = someBytes(300000, 9);
        openPath_ = dir_.filePath(QStringLiteral("mine.bin"));
        QVERIFY(writeFile(openPath_, bytes));

        RecordView view(model, allColumns(model), 1, {}, &grid);
        QVERIFY(view.field(Data)->binaryBox()->loadFromFile());
        view.field(Note)->enterValue(QStringLiteral("mine"));
        asLogin(QStringLiteral("UPDATE %1.blobs SET %2 WHERE id = 2;").arg(login, change));
        const QString theirs = inDatabase(QStringLiteral("SELECT md5(note), md5(data) FROM %1.blobs WHERE id = 2"));

        QVERIFY(!view.writeRow());
        QCOMPARE(boxes.texts(), QStringList{db::RowConflictError::changedOrDeletedText.toString()});
        QCOMPARE(inDatabase(QStringLiteral("SELECT md5(note), md5(data) FROM %1.blobs WHERE id = 2")), theirs);
        QCOMPARE(view.row(), 1);
        QCOMPARE(view.field(Note)->text(), QStringLiteral("mine"));
        QCOMPARE(view.field(Data)->text(), QString::fromLatin1(bytes.toHex()));
    }

private:
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
    QTemporaryDir dir_;
    QString openPath_;
    QString savePath_;
};

QTEST_MAIN(RecordLongValuesTest)
#include "record_long_values_test.moc"
