#pragma once

#include <QString>

// The program-wide title of message boxes that give none of their own.
const QString &appTitle();

// Makes the application title the product name without its last word(s),
// at most 40 characters: "Tabvale".
void SetAppTitle();

// Back to the product name, as before start-up (for tests).
void resetAppTitle();
