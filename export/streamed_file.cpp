#include "export/streamed_file.h"

#include "app/app_error.h"
#include "export/private_temp_file.h"

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
    // Dropped without commit(): the scratch file goes, the target was never touched.
    if (inPlace_ >= 0)
        ::close(inPlace_);
}

QString StreamedFile::failureText(const QString &reason) const
{
    return QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(fileName_), reason);
}

QString StreamedFile::failureFromErrno() const
{
    return failureText(QString::fromLocal8Bit(std::strerror(errno)));
}

void StreamedFile::openInPlace()
{
    // Not truncated: the old content stays until the new one is whole.
    inPlace_ = ::open(QFile::encodeName(fileName_).constData(), O_WRONLY | O_CLOEXEC);
    if (inPlace_ < 0)
        throw AppError(failureFromErrno());
    const QString folder = exportTempFolder();
    scratch_ = std::make_unique<QTemporaryFile>(QDir(folder).filePath(QStringLiteral("tabvale-XXXXXX")));
    if (!scratch_->open())
        throw AppError(failureText(QStringLiteral("no temporary file can be made in \"%1\" (%2)")
                                       .arg(QDir::toNativeSeparators(folder), scratch_->errorString())));
}

void StreamedFile::open()
{
    if (isReadOnlyFile(fileName_))
        throw AppError(failureText(QString::fromLocal8Bit(std::strerror(EACCES))));
    if (QFileInfo(fileName_).isDir())
        throw AppError(failureText(QString::fromLocal8Bit(std::strerror(EISDIR))));
    if (hasOtherNames(fileName_)) {
        openInPlace();
    } else if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // A folder that takes no new file may still let its files be written.
        const QString refusal = file_.errorString();
        if (!QFileInfo(fileName_).isFile() || ::access(QFile::encodeName(fileName_).constData(), W_OK) != 0)
            throw AppError(failureText(refusal));
        openInPlace();
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
    const int descriptor = scratch_ ? scratch_->handle() : file_.handle();
    const char *data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            failure_ = failureFromErrno();
            break;
        }
        data += written;
        left -= written;
        scratchSize_ += written;
    }
    buffer_.resize(0);
}

void StreamedFile::commit()
{
    flush();
    if (scratch_) {
        if (!failed())
            copyScratchOverTarget();
        if (::close(inPlace_) != 0 && !failed())
            failure_ = failureFromErrno();
        inPlace_ = -1;
        scratch_.reset();
    } else {
        if (!failed() && !file_.commit())
            failure_ = failureText(file_.errorString());
        if (failed())
            file_.cancelWriting();
    }
    if (failed())
        throw AppError(failure_);
}

void StreamedFile::copyScratchOverTarget()
{
    // Claims the disk room of the new text before the old one is touched. A
    // file system that cannot claim room ahead is written without the claim.
    if (scratchSize_ > 0 && ::fallocate(inPlace_, FALLOC_FL_KEEP_SIZE, 0, off_t(scratchSize_)) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS) {
        failure_ = failureFromErrno();
        return;
    }
    const int source = scratch_->handle();
    buffer_.resize(flushThreshold);
    char *const chunk = buffer_.data();
    off_t offset = 0;
    while (offset < scratchSize_) {
        const ssize_t got = ::pread(source, chunk, size_t(qMin<qint64>(flushThreshold, scratchSize_ - offset)), offset);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            if (got == 0)
                errno = EIO; // the scratch file lost its end: never copy a part as if whole
            failure_ = failureFromErrno();
            return;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::pwrite(inPlace_, chunk + done, size_t(got - done), offset + done);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                failure_ = failureFromErrno();
                return;
            }
            done += written;
        }
        offset += got;
    }
    buffer_.resize(0);
    if (::ftruncate(inPlace_, off_t(scratchSize_)) != 0 || (::fdatasync(inPlace_) != 0 && errno != EINVAL))
        failure_ = failureFromErrno();
}
