#pragma once

#include <functional>

// Shows the hourglass over the window that started an export (true) and puts
// its pointer back (false); the window decides what that looks like.
using BusyPointer = std::function<void(bool busy)>;
