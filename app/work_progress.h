#pragma once

#include <QtGlobal>
#include <functional>

// Long work on the window's own thread (writing an export) tells how far it
// has got; the window shows it and may ask it to stop.
namespace workprogress {

// Called with the rows done so far; answers false when the user asked to
// stop. The work calls it once a row; it is cheap when nothing listens.
bool report(qint64 done);

// Installs what report() does for as long as it lives.
class Listener {
public:
    explicit Listener(std::function<bool(qint64)> listen);
    ~Listener();
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;

private:
    std::function<bool(qint64)> previous_;
};

} // namespace workprogress
