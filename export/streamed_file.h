#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// A file written in pieces through a buffer of a few megabytes and put in
// place only once it is whole: the text goes to a temporary file beside the
// target, which replaces the target on commit(). Until then, and whenever a
// write fails, an existing file of that name keeps its old content.
class StreamedFile {
public:
    explicit StreamedFile(const QString &fileName);
    StreamedFile(const StreamedFile &) = delete;
    StreamedFile &operator=(const StreamedFile &) = delete;

    // Throws AppError when the file cannot be written at all (missing folder,
    // read-only file, folder that refuses new files).
    void open();

    // Append here; call flushIfFull() where the buffer holds only whole pieces.
    QByteArray &buffer() { return buffer_; }

    // Hands a full buffer to the file. A failed write is kept, not thrown, so
    // that a long export stops at once and reports the failure on commit().
    void flushIfFull()
    {
        if (buffer_.size() >= flushThreshold)
            flush();
    }
    bool failed() const { return !failure_.isEmpty(); }

    // Writes the rest and replaces the target. Throws AppError with the first
    // failure; the temporary file is then removed and the target left alone.
    void commit();

    static constexpr qsizetype flushThreshold = 4 * 1024 * 1024;

private:
    void flush();
    QString failureText(const QString &reason) const;

    QString fileName_;
    QSaveFile file_;
    QByteArray buffer_;
    QString failure_;
};
