#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// A file written in pieces through a buffer of a few megabytes and put in
// place only once it is whole: the text goes to a temporary file beside the
// target, which replaces the target on commit(). Until then, and whenever a
// write fails, an existing file of that name keeps its old content.
//
// Two existing files are written in place instead: one whose folder refuses
// the temporary file, and one with more than one name (a rename would leave
// the other names with the old content). The old content is then overwritten
// from the start and cut to the new length on commit(); a failure before the
// first byte is written still leaves it untouched.
class StreamedFile {
public:
    explicit StreamedFile(const QString &fileName);
    ~StreamedFile();
    StreamedFile(const StreamedFile &) = delete;
    StreamedFile &operator=(const StreamedFile &) = delete;

    // Throws AppError when the file cannot be written at all (missing folder,
    // read-only file, a new file in a folder that refuses new files).
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
    // Opens the existing file for writing over its content; false with
    // errno set when it cannot be opened.
    bool openInPlace();
    void finishInPlace();

    QString fileName_;
    QSaveFile file_;
    int inPlace_ = -1; // the descriptor when written in place
    qint64 writtenInPlace_ = 0;
    QByteArray buffer_;
    QString failure_;
};
