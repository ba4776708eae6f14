#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QTemporaryFile>
#include <memory>

// A file written in pieces through a buffer of a few megabytes and put in
// place only once it is whole. Until then, and whenever a write fails or the
// file is dropped without commit(), an existing file of that name keeps its
// old content.
//
// Usually the text goes to a temporary file beside the target, which replaces
// the target by a rename on commit(). Two existing files cannot be replaced
// that way and are written in place instead: one with more than one name (a
// rename would part it from its other names, which would keep the old text)
// and one whose folder refuses new files. Their new text goes first to a
// private scratch file in the export temporary folder; only once it is whole
// is it copied over the target, which is then cut to the new length. That
// costs a second write of the whole text and room for it in the temporary
// folder. The room the longer text needs on the target's disk is claimed
// before the first byte is copied, so a full disk is found while the old
// content is still whole. Only a file system that cannot claim room ahead
// (or one that writes every change to new blocks) can still fill up during
// the copy; that failure is reported like any other.
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

    // Writes the rest and puts the new text in place. Throws AppError with the
    // first failure; the target then keeps its old content.
    void commit();

    static constexpr qsizetype flushThreshold = 4 * 1024 * 1024;

private:
    void flush();
    QString failureText(const QString &reason) const;
    QString failureFromErrno() const;
    // Opens the existing file for writing, without changing it, and the
    // scratch file that collects its new text.
    void openInPlace();
    void copyScratchOverTarget();

    QString fileName_;
    QSaveFile file_;
    int inPlace_ = -1; // the target's descriptor when written in place
    std::unique_ptr<QTemporaryFile> scratch_;
    qint64 scratchSize_ = 0;
    QByteArray buffer_;
    QString failure_;
};
