#include "db/record_set.h"

#include "app/app_error.h"
#include "db/ado_messages.h"

namespace db {

int RecordSet::RecordCount() const
{
    if (!open_)
        throw AppError(adoMessage::objectClosed);
    return int(rows_.rowCount());
}

int RecordSet::fieldCount() const
{
    if (!open_)
        throw AppError(adoMessage::objectClosed);
    return columns_;
}

bool RecordSet::eof() const
{
    if (!open_)
        throw AppError(adoMessage::objectClosed);
    return current_ >= rows_.rowCount();
}

void RecordSet::checkCurrentField(int index) const
{
    if (!open_)
        throw AppError(adoMessage::objectClosed);
    if (index < 0 || index >= columns_)
        throw AppError(adoMessage::itemNotFound);
    if (current_ >= rows_.rowCount())
        throw AppError(adoMessage::noCurrentRecord);
}

QString RecordSet::fieldText(int index) const
{
    checkCurrentField(index);
    return QString::fromUtf8(rows_.cell(current_, index));
}

bool RecordSet::fieldIsNull(int index) const
{
    checkCurrentField(index);
    return rows_.isNull(current_, index);
}

void RecordSet::MoveNext()
{
    if (!open_)
        throw AppError(adoMessage::objectClosed);
    if (current_ >= rows_.rowCount())
        throw AppError(adoMessage::noCurrentRecord);
    ++current_;
}

void RecordSet::Close()
{
    if (!open_)
        throw AppError(adoMessage::objectClosed);
    open_ = false;
    rows_ = RowStore();
    current_ = 0;
}

} // namespace db
