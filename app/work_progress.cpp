#include "app/work_progress.h"

#include <utility>

namespace workprogress {
namespace {
std::function<bool(qint64)> &listener()
{
    static std::function<bool(qint64)> current;
    return current;
}
} // namespace

bool report(qint64 done)
{
    const auto &listen = listener();
    return !listen || listen(done);
}

Listener::Listener(std::function<bool(qint64)> listen) : previous_(std::exchange(listener(), std::move(listen))) {}

Listener::~Listener()
{
    listener() = std::move(previous_);
}

} // namespace workprogress
