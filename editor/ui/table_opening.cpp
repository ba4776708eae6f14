#include "editor/ui/table_opening.h"

#include "app/ui/kit/twips.h"
#include "app/ui/kit/wait_dialog.h"
#include "db/connection.h"
#include "db/oracle.h"
#include "db/table_snapshot.h"
#include "db/ui/database_beside.h"
#include "editor/ui/form3.h"

TableOpening::TableOpening(QWidget *waitingWindow, LoginValues login, Editor editor)
    : waitingWindow_(waitingWindow), login_(std::move(login)), editor_(std::move(editor))
{
}

TableOpening::~TableOpening() = default;

bool TableOpening::writePendingEdit()
{
    Form3 *editor = editor_.existing ? editor_.existing() : nullptr;
    if (!editor || editor->writePendingEdit())
        return true;
    editor->showCentred();
    return false;
}

void TableOpening::createConnection()
{
    connection_ = std::make_unique<db::Connection>();
}

void TableOpening::setCursorLocation()
{
    requireObject(connection_).setCursorLocation(db::Connection::adUseClient);
}

void TableOpening::setCommandTimeout()
{
    requireObject(connection_).setCommandTimeout(5000);
}

void TableOpening::setConnectionTimeout()
{
    requireObject(connection_).setConnectionTimeout(5000);
}

bool TableOpening::connect()
{
    try {
        openBeside(waitingWindow_, connection_, connectionStringFor(login_));
    } catch (const background::Cancelled &) {
        // A connect given up is an open given up.
        return false;
    }
    return true;
}

void TableOpening::setTableName(const QString &name)
{
    tableName_ = name;
}

void TableOpening::showEditor()
{
    shown_ = &editor_.create();
    shown_->showCentred();
}

void TableOpening::showHeading()
{
    requireObject(shown_).showTableName(tableName_);
}

void TableOpening::unbindGrid()
{
    requireObject(shown_).bindTable(nullptr);
}

bool TableOpening::readTable()
{
    requireObject(connection_);
    try {
        snapshot_ = runBeside(waitingWindow_, QStringLiteral("Reading the table: %L1 rows so far"),
                              background::WhenGivenUp::LeaveBehind,
                              [connection = std::move(connection_), name = tableName_,
                               reconnect = reconnection()]() mutable {
                                  // The first block is enough to show; the grid reads on.
                                  return db::TableSnapshot::openFirstRows(std::move(connection), name, 1,
                                                                          std::move(reconnect),
                                                                          background::progressOfCurrentCall());
                              });
    } catch (const background::Cancelled &) {
    } catch (const db::OpenCancelled &) {
    }
    if (snapshot_)
        return true;
    // Nothing is bound: the user is back in the chooser as it was.
    if (shown_)
        shown_->hide();
    return false;
}

db::TableSnapshot::Reconnect TableOpening::reconnection() const
{
    return [login = login_] {
        auto connection = std::make_unique<db::Connection>();
        connection->setCursorLocation(db::Connection::adUseClient);
        connection->setCommandTimeout(5000);
        connection->setConnectionTimeout(5000);
        connection->open(connectionStringFor(login));
        return connection;
    };
}

void TableOpening::bindGrid()
{
    if (snapshot_)
        requireObject(shown_).bindTable(std::move(snapshot_), GridLayoutKey{login_.sid, login_.user, tableName_});
}

void TableOpening::focusGrid()
{
    requireObject(shown_).focusTable();
}
