#pragma once

#include "app/login_values.h"

#include <QString>
#include <functional>
#include <memory>

class Form3;
class QWidget;
namespace db {
class Connection;
class TableSnapshot;
}

// Opening a table for editing: a fresh connection, the table's rows read
// beside the window that waits, the editor shown with the table's name as
// its heading and its grid bound to the rows. The chooser's "Next >" runs it
// step by step, each step under its own line of the error trap; a step whose
// object an earlier failure left missing fails as a missing object does.
class TableOpening {
public:
    // The editor window: created (and loaded) when first asked for, or only
    // when it exists already.
    struct Editor {
        std::function<Form3 &()> create;
        std::function<Form3 *()> existing;
    };

    TableOpening(QWidget *waitingWindow, LoginValues login, Editor editor);
    ~TableOpening();
    TableOpening(const TableOpening &) = delete;
    TableOpening &operator=(const TableOpening &) = delete;

    // An edit still pending in the editor is written before its table goes;
    // when the database refuses it, the editor is shown again with the edit
    // and the answer is false.
    bool writePendingEdit();

    void createConnection();
    // A client-side cursor; set before connecting and again before reading.
    void setCursorLocation();
    void setCommandTimeout();
    void setConnectionTimeout();
    // Connects with the login; false when the user gave the connect up.
    bool connect();

    void setTableName(const QString &name);
    // Shows the editor, created the first time.
    void showEditor();
    void showHeading();
    // Lets go of the table bound before, if any, with its connection.
    void unbindGrid();
    // Reads the first rows of the table beside the waiting window (the grid
    // reads the rest); false when the user gave it up: the editor is hidden
    // again and nothing is bound.
    bool readTable();
    void bindGrid();
    void focusGrid();

private:
    // Another connection with the same login, for the table's snapshot.
    std::function<std::unique_ptr<db::Connection>()> reconnection() const;

    QWidget *waitingWindow_;
    LoginValues login_;
    Editor editor_;
    Form3 *shown_ = nullptr;
    QString tableName_;
    std::unique_ptr<db::Connection> connection_;
    std::unique_ptr<db::TableSnapshot> snapshot_;
};
