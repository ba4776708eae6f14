// Prints how long it takes to connect, to read the table catalogue and to
// fetch 100,000 rows of 8 columns as text, against the data source named by
// TABVALE_PG_DSN (start the test services first, see scripts/lib/services.sh).
#include "db/connection.h"
#include "db/oracle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

template <class Work>
double medianMs(int runs, Work &&work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

const char *wideRows = "select g, 'name ' || g, (g * 1.25)::numeric(12,2), date '2024-01-01' + (g % 365), "
                       "timestamp '2024-01-01 00:00:00' + g * interval '1 second', g % 2 = 0, "
                       "md5(g::text), g / 7.0::float8 from generate_series(1, 100000) g";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dsn = qEnvironmentVariable("TABVALE_PG_DSN");
    if (dsn.isEmpty()) {
        std::fprintf(stderr, "TABVALE_PG_DSN is not set: start the test services first.\n");
        return 1;
    }
    const QString login = buildConnectionString(dsn, QStringLiteral("scott"), QStringLiteral("tiger"));

    const double connect = medianMs(21, [&] {
        db::Connection connection;
        connection.open(login);
    });
    std::printf("connect (open and close):            %8.2f ms\n", connect);

    const double catalogue = medianMs(21, [&] {
        db::Connection connection;
        connection.open(login);
        db::RecordSet tables = connection.execute(QStringLiteral("select table_name from user_tables"));
        for (int i = 0; i < tables.RecordCount(); ++i) {
            tables.fieldText(0);
            tables.MoveNext();
        }
    });
    std::printf("catalogue (connect, query, read):    %8.2f ms\n", catalogue);

    db::Connection connection;
    connection.open(login);

    int rows = 0;
    const double recordSet = medianMs(5, [&] {
        rows = connection.execute(QString::fromLatin1(wideRows)).RecordCount();
    });
    std::printf("100,000 x 8 into a RecordSet:        %8.2f ms (%d rows)\n", recordSet, rows);
    return 0;
}
