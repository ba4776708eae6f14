#pragma once

#include <QString>

// A TCP listener on 127.0.0.1 that the kernel lets clients connect to but
// that never reads or answers: a server that hangs after accepting.
class SilentListener {
public:
    explicit SilentListener(quint16 port);
    ~SilentListener();
    SilentListener(const SilentListener &) = delete;
    SilentListener &operator=(const SilentListener &) = delete;

    bool listening() const { return fd_ >= 0; }
    const QString &error() const { return error_; }

private:
    int fd_ = -1;
    QString error_;
};
