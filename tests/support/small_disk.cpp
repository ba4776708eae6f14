#include "support/small_disk.h"

#include <QDir>
#include <QFile>
#include <sys/mount.h>

SmallDisk::SmallDisk(const QString &folder, int kilobytes) : folder_(folder)
{
    QDir().mkpath(folder_);
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
    mounted_ = ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}
