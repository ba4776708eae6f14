#include "db/ui/database_beside.h"

#include "app/ui/kit/twips.h"
#include "app/ui/kit/wait_dialog.h"
#include "db/connection.h"
#include "db/oracle.h"

void openBeside(QWidget *window, std::unique_ptr<db::Connection> &connection, const QString &connectionString)
{
    requireObject(connection);
    auto held = std::make_shared<std::unique_ptr<db::Connection>>(std::move(connection));
    try {
        runBeside(window, connectingText, background::WhenGivenUp::LeaveBehind,
                  [held, connectionString] { (*held)->open(connectionString); });
    } catch (const background::Cancelled &) {
        throw; // the connection stays with the attempt
    } catch (...) {
        connection = std::move(*held);
        throw;
    }
    connection = std::move(*held);
}

bool checkLoginBeside(QWidget *window, const LoginValues &login)
{
    try {
        return runBeside(window, connectingText, background::WhenGivenUp::LeaveBehind,
                         [login] { return CheckLogin(login); });
    } catch (const background::Cancelled &) {
        return false;
    }
}
