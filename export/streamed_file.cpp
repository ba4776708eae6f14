#include "export/streamed_file.h"

#include "app/app_error.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The target would be replaced by a rename, which the file's own permissions
// do not govern; so a file that may not be written is refused here. A file
// without any write permission counts as read-only even for root, as a
// read-only file would on a desktop whose owner protected it.
bool isReadOnlyFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir())
        return false;
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!(info.permissions() & writeBits))
        return true;
    return ::access(QFile::encodeName(fileName).constData(), W_OK) != 0;
}

// Whether the name is an existing file that other names share: replacing it
// by a rename would part it from them.
bool hasOtherNames(const QString &fileName)
{
    struct stat info {};
    return ::stat(QFile::encodeName(fileName).constData(), &info) == 0 && S_ISREG(info.st_mode)
        && info.st_nlink > 1;
}

} // namespace

StreamedFile::StreamedFile(const QString &fileName) : fileName_(fileName), file_(fileName)
{
}

StreamedFile::~StreamedFile()
{
    if (inPlace_ >= 0)
        ::close(inPlace_);
}

bool StreamedFile::openInPlace()
{
    // Not truncated here: until the first byte goes in, the old content stays.
    inPlace_ = ::open(QFile::encodeName(fileName_).constData(), O_WRONLY | O_CLOEXEC);
    return inPlace_ >= 0;
}

QString StreamedFile::failureText(const QString &reason) const
{
    return QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(fileName_), reason);
}

void StreamedFile::open()
{
    if (isReadOnlyFile(fileName_))
        throw AppError(failureText(QString::fromLocal8Bit(std::strerror(EACCES))));
    if (QFileInfo(fileName_).isDir())
        throw AppError(failureText(QString::fromLocal8Bit(std::strerror(EISDIR))));
    if (hasOtherNames(fileName_)) {
        if (!openInPlace())
            throw AppError(failureText(QString::fromLocal8Bit(std::strerror(errno))));
    } else if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // A folder that takes no new file may still let its files be written.
        const QString refusal = file_.errorString();
        if (!QFileInfo(fileName_).isFile() || !openInPlace())
            throw AppError(failureText(refusal));
    }
    buffer_.reserve(flushThreshold + 64 * 1024);
}

void StreamedFile::flush()
{
    if (failed() || buffer_.isEmpty()) {
        buffer_.clear();
        return;
    }
    // Written straight to the descriptor: the buffer is already large, and
    // errno names the cause (a full disk, a file size limit) exactly.
    const int descriptor = inPlace_ >= 0 ? inPlace_ : file_.handle();
    const char *data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            failure_ = failureText(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        data += written;
        left -= written;
        if (inPlace_ >= 0)
            writtenInPlace_ += written;
    }
    buffer_.resize(0);
}

void StreamedFile::commit()
{
    flush();
    if (inPlace_ >= 0) {
        finishInPlace();
    } else {
        if (!failed() && !file_.commit())
            failure_ = failureText(file_.errorString());
        if (failed())
            file_.cancelWriting();
    }
    if (failed())
        throw AppError(failure_);
}

void StreamedFile::finishInPlace()
{
    // The file ends where the new text ends: after a whole write that cuts
    // the rest of the old content, after a failed one it leaves no old tail
    // behind the part written. Nothing written, nothing changed.
    if ((!failed() || writtenInPlace_ > 0) && ::ftruncate(inPlace_, writtenInPlace_) != 0 && !failed())
        failure_ = failureText(QString::fromLocal8Bit(std::strerror(errno)));
    if (::close(inPlace_) != 0 && !failed())
        failure_ = failureText(QString::fromLocal8Bit(std::strerror(errno)));
    inPlace_ = -1;
}
