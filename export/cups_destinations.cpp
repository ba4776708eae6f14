#include "export/cups_destinations.h"

CupsDestinations::CupsDestinations()
{
    count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_);
    lastError_ = cupsLastError();
    lastErrorText_ = QString::fromUtf8(cupsLastErrorString());
}

CupsDestinations::~CupsDestinations()
{
    cupsFreeDests(count_, dests_);
}

bool CupsDestinations::schedulerUnreachable() const
{
    // A scheduler without queues answers "not found"; anything else that is
    // not a success means CUPS itself could not be asked.
    return count_ == 0 && lastError_ > IPP_STATUS_OK_EVENTS_COMPLETE
        && lastError_ != IPP_STATUS_ERROR_NOT_FOUND;
}

cups_dest_t *CupsDestinations::findByName(const QString &name) const
{
    for (int i = 0; i < count_; ++i) {
        if (printerName(dests_[i]) == name)
            return &dests_[i];
    }
    return nullptr;
}

cups_dest_t *CupsDestinations::defaultDestination() const
{
    for (int i = 0; i < count_; ++i) {
        if (dests_[i].is_default)
            return &dests_[i];
    }
    return nullptr;
}

bool CupsDestinations::saveAsUserOptions()
{
    return cupsSetDests2(CUPS_HTTP_DEFAULT, count_, dests_) == 0;
}

QString printerName(const cups_dest_t &dest)
{
    const char *info = cupsGetOption("printer-info", dest.num_options, dest.options);
    if (info && *info)
        return QString::fromUtf8(info);
    return QString::fromUtf8(dest.name);
}
