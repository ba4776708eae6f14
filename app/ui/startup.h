#pragma once

// Starts the program: the application object, the wizard, the event loop.
int runTabvale(int argc, char *argv[]);
