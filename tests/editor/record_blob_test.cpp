#include "app/seams.h"
#include "editor/table_model.h"
#include "editor/ui/binary_value_box.h"
#include "editor/ui/record_field.h"
#include "editor/ui/record_view.h"
#include "support/long_values.h"
#include "support/message_capture.h"
#include "support/sqlite_database.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

// A SQLite BLOB through the grid's model and the record view, without a
// server: the grid takes no typing into it, the record view loads a file
// into it and saves it back, and SQLite's X'...' form stays what the grid
// shows.
class RecordBlobTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { seams::reset(); }

    void aFileGoesInAndComesOutWhole()
    {
        SqliteDatabase database;
        TABVALE_REQUIRE_SQLITE(database);
        database.exec(QStringLiteral("CREATE TABLE pics (id INTEGER PRIMARY KEY, photo BLOB);"
                                     "INSERT INTO pics VALUES (1, x'0102'), (2, NULL);"));
        TableModel model;
        model.setSnapshot(database.open(QStringLiteral("pics")));
        MessageCapture boxes;

        // Typing and pasting into the grid's cell change nothing.
        const QModelIndex cell = model.index(0, 1);
        QVERIFY(!(model.flags(cell) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(cell, QStringLiteral("X'00'")));
        QVERIFY(!model.setNull(cell));
        QVERIFY(!model.hasPendingEdit());
        QCOMPARE(model.data(cell, Qt::ToolTipRole).toString().section(u'\n', 0, 0), QStringLiteral("2 bytes"));
        QCOMPARE(model.data(model.index(1, 1), Qt::ToolTipRole).toString().section(u'\n', 0, 0),
                 TableModel::nullToolTip.toString());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString in = dir.filePath(QStringLiteral("in.bin")), out = dir.filePath(QStringLiteral("out.bin"));
        const QByteArray bytes = longvalues::someBytes(1 << 20, 3);
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        seams::current().openDialog = [&](QWidget *, const QString &) { return in; };
        seams::current().saveDialog = [&](QWidget *, const QString &, const QString &, const QString &) { return out; };

        RecordView view(model, {0, 1}, 1, {}, nullptr);
        QVERIFY(view.field(1)->isNull());
        QVERIFY(view.field(1)->binaryBox()->loadFromFile());
        QVERIFY(view.writeRow());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(database.query(QStringLiteral("SELECT length(photo), hex(photo) = '%1' FROM pics WHERE id = 2")
                                    .arg(QString::fromLatin1(bytes.toHex().toUpper()))),
                 QStringList{"1048576|1"});
        QCOMPARE(model.cellText(1, 1), QStringLiteral("X'%1'").arg(QString::fromLatin1(bytes.toHex().toUpper())));

        RecordView again(model, {0, 1}, 1, {}, nullptr);
        QVERIFY(again.field(1)->binaryBox()->saveToFile());
        QFile saved(out);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll() == bytes);
    }

    // Text typed on in the long-text box leaves everything around it as it
    // was: every kind of line break, however mixed, and no-break spaces,
    // which the box's plain text would make ordinary ones.
    void longTextKeepsWhatWasNotTyped()
    {
        SqliteDatabase database;
        TABVALE_REQUIRE_SQLITE(database);
        database.exec(QStringLiteral("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"
                                     "INSERT INTO notes VALUES (1, 'x');"));
        TableModel model;
        model.setSnapshot(database.open(QStringLiteral("notes")));
        MessageCapture boxes;
        const QString values[] = {
            QStringLiteral("one\r\ntwo\rthree\nfour\u00a0five\u2028six"),
            QStringLiteral("lone\rcarriage\rreturns\r\n"),
            QStringLiteral("marks \u240d and \u240a already\r\nthere\n"),
        };
        for (const QString &value : values) {
            QVERIFY(model.setData(model.index(0, 1), value) && model.commitPendingRow());
            RecordView view(model, {0, 1}, 0, {}, nullptr);
            auto *box = qobject_cast<QPlainTextEdit *>(view.field(1)->editorWidget());
            QVERIFY(box);
            box->moveCursor(QTextCursor::End);
            box->insertPlainText(QStringLiteral("!"));
            QVERIFY(view.writeRow());
            QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
            QCOMPARE(model.cellText(0, 1), value + u'!');
            QCOMPARE(database.query(QStringLiteral("SELECT hex(body) FROM notes")),
                     QStringList{QString::fromLatin1((value + u'!').toUtf8().toHex().toUpper())});
        }
    }
};

QTEST_MAIN(RecordBlobTest)
#include "record_blob_test.moc"
