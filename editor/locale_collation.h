#pragma once

#include <QByteArrayView>
#include <QLocale>
#include <QtGlobal>

struct UCollator;

// A locale's order of text for sorting many rows: compared straight from
// UTF-8, and as sort keys, whose bytes order as the texts do, so that a few
// bytes of each row's key put most rows in place without comparing texts.
// Set up as QCollator sets up the same locale, case-sensitive, so the two
// agree. Not usable for the C locale, which QCollator orders by code unit.
class LocaleCollation {
public:
    explicit LocaleCollation(const QLocale &locale);
    ~LocaleCollation();
    LocaleCollation(const LocaleCollation &) = delete;
    LocaleCollation &operator=(const LocaleCollation &) = delete;

    bool usable() const { return collator_ != nullptr; }
    int compare(QByteArrayView a, QByteArrayView b) const;
    // Writes the first bytes of the text's sort key, at most `size`; returns
    // how many there are.
    int keyStart(QByteArrayView text, quint8 *out, int size) const;

private:
    UCollator *collator_ = nullptr;
};
