#include "export/streamed_file.h"

#include "app/app_error.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
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

} // namespace

StreamedFile::StreamedFile(const QString &fileName) : fileName_(fileName), file_(fileName)
{
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
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw AppError(failureText(file_.errorString()));
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
    const int descriptor = file_.handle();
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
    }
    buffer_.resize(0);
}

void StreamedFile::commit()
{
    flush();
    if (!failed() && !file_.commit())
        failure_ = failureText(file_.errorString());
    if (failed()) {
        file_.cancelWriting();
        throw AppError(failure_);
    }
}
