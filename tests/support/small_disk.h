#pragma once

#include <QString>

// A small file system of its own (tmpfs) mounted on a folder, for a disk that
// fills up; unmounted when it goes. Mounting needs root: mounted() says
// whether it worked, and a test skips without it.
class SmallDisk {
public:
    SmallDisk(const QString &folder, int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return mounted_; }

private:
    QString folder_;
    bool mounted_ = false;
};
