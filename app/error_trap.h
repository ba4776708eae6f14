#pragma once

#include "app/app_error.h"

#include <QString>
#include <exception>
#include <new>
#include <utility>

// The common error trap of a user-facing operation. The operation numbers its
// statements 100, 102, ...; a statement that throws is reported in the error
// report box with the operation's location text and the current line, and the
// operation goes on with its next statement. Operations without a trap of
// their own simply throw: the failure ends them and reaches the caller's trap
// as a failure of the calling statement.
class ErrorTrap {
public:
    explicit ErrorTrap(QString location) : location_(std::move(location)) {}

    int currentLine() const { return line_; }
    const QString &location() const { return location_; }

    // Runs one plain statement under line number `line`.
    template <class Statement>
    void step(int line, Statement &&statement)
    {
        line_ = line;
        guard(std::forward<Statement>(statement));
    }

    // Runs a statement that has no number of its own: it reports the last one.
    template <class Statement>
    void run(Statement &&statement)
    {
        guard(std::forward<Statement>(statement));
    }

    // Runs the test of a conditional. A test that fails is reported and then
    // counts as passed, so the conditional's body runs.
    template <class Test>
    bool test(int line, Test &&condition)
    {
        line_ = line;
        bool result = true;
        guard([&] { result = condition(); });
        return result;
    }

    // Shows the error report box for a failure at the current line.
    void report(const QString &description) const;

    static QString reportText(const QString &description, const QString &location, int line);

    static constexpr const char *supportAddress = "support@tabvale.example.com";

private:
    template <class Statement>
    void guard(Statement &&statement)
    {
        try {
            statement();
        } catch (const AppError &error) {
            report(error.description());
        } catch (const std::bad_alloc &) {
            report(QStringLiteral("Out of memory"));
        } catch (const std::exception &error) {
            report(QString::fromLocal8Bit(error.what()));
        }
    }

    QString location_;
    int line_ = 0;
};
