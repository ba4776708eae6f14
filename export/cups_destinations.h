#pragma once

#include <QString>
#include <cups/cups.h>

// The printers CUPS offers this user, as one owned list: every destination
// cupsGetDests2 returned, freed with cupsFreeDests when the list goes away.
// Reading the list never throws; whether it failed is told by lastError().
class CupsDestinations {
public:
    CupsDestinations();
    ~CupsDestinations();
    CupsDestinations(const CupsDestinations &) = delete;
    CupsDestinations &operator=(const CupsDestinations &) = delete;

    int count() const { return count_; }
    cups_dest_t &at(int index) const { return dests_[index]; }

    // CUPS's status and description right after the list was read.
    ipp_status_t lastError() const { return lastError_; }
    const QString &lastErrorText() const { return lastErrorText_; }
    // True when the scheduler could not be asked at all (as opposed to a
    // scheduler that simply has no printers).
    bool schedulerUnreachable() const;

    // The first destination bearing `name` (see printerName), or null.
    cups_dest_t *findByName(const QString &name) const;
    // The destination CUPS takes as the default, or null.
    cups_dest_t *defaultDestination() const;

    // Writes the list back as the user's printer options (~/.cups/lpoptions),
    // the way lpoptions does. Returns false when CUPS could not save them.
    bool saveAsUserOptions();

private:
    cups_dest_t *dests_ = nullptr;
    int count_ = 0;
    ipp_status_t lastError_ = IPP_STATUS_OK;
    QString lastErrorText_;
};

// A printer's name as users see it: its description when it has one, else
// its queue name (queue names cannot hold blanks, descriptions can).
QString printerName(const cups_dest_t &dest);
