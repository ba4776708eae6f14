#pragma once

#include <QString>

// The user's default printer. A printer's name here is its CUPS description
// when it has one, else its queue name. The default is the destination CUPS
// itself takes as the default: the user's own choice (lpoptions) when there
// is one, else the scheduler's default printer.

// The default printer's name. When CUPS cannot name one (no scheduler, no
// printers, no default) it shows its own four-line box and returns empty text.
QString GetDefaultPrinter();

// Makes the first printer bearing `printerName` the user's default, as
// `lpoptions -d` does. Returns false for an unknown or empty name or when
// CUPS refuses; shows "Cannot set printer." only when `showError`. Never
// throws.
bool SetDefaultPrinter(const QString &printerName, bool showError);

// Whether the user's own printer options (~/.cups/lpoptions, as lpoptions -d
// writes them) name a default printer; false when the default comes from the
// scheduler, the system's options or nowhere.
bool userChoseDefaultPrinter();

// Drops the user's own choice of default printer, so that the scheduler's
// default (if any) applies again.
// Returns false when CUPS cannot be asked or refuses. Never throws.
bool clearUserDefaultPrinter();
