#pragma once

#include <QString>
#include <stdexcept>

// A failed statement. Every component (database, files, processes, printers)
// turns its own failure into one of these, carrying that component's message,
// so that the one error trap can report it.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString &description)
        : std::runtime_error(description.toStdString()), description_(description) {}

    const QString &description() const noexcept { return description_; }

private:
    QString description_;
};
