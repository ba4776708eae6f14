#pragma once

#include <functional>

// Ends the program at once: every window closes, nothing more is asked.
void endProgram();
// Tests replace what ending the program does; an empty handler restores it.
std::function<void()> setEndProgramHandler(std::function<void()> handler);
