#include "editor/locale_collation.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>

LocaleCollation::LocaleCollation(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return;
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open(locale.bcp47Name().replace(u'-', u'_').toLatin1().constData(), &status);
    if (U_FAILURE(status)) {
        collator_ = nullptr;
        return;
    }
    // QCollator's own settings for a case-sensitive, non-numeric collator
    // that does not ignore punctuation.
    ucol_setAttribute(collator_, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator_, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator_, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator_);
        collator_ = nullptr;
    }
}

LocaleCollation::~LocaleCollation()
{
    if (collator_)
        ucol_close(collator_);
}

int LocaleCollation::compare(QByteArrayView a, QByteArrayView b) const
{
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(collator_, a.data(), int32_t(a.size()), b.data(),
                                                     int32_t(b.size()), &status);
    if (U_FAILURE(status)) {
        const int c = a.compare(b);
        return (c > 0) - (c < 0);
    }
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

int LocaleCollation::keyStart(QByteArrayView text, quint8 *out, int size) const
{
    UCharIterator iterator;
    uiter_setUTF8(&iterator, text.data(), int32_t(text.size()));
    uint32_t state[2] = {0, 0};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucol_nextSortKeyPart(collator_, &iterator, state, out, size, &status);
    return U_FAILURE(status) ? 0 : int(written);
}
