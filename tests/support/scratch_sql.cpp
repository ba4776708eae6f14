#include "support/scratch_sql.h"

void AsLogin::operator()(const QString &sql) const
{
    testpg::adminExec(QStringLiteral("SET ROLE %1; %2 RESET ROLE;").arg(login_, sql));
}

QString inDatabase(const QString &sql)
{
    return testpg::adminQuery(sql).join(u'\n');
}
