#include "controls/listview/TCollationKeys.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unicode/ucol.h>

namespace quorvane {

namespace {
    quint64 bigEndianWord(const unsigned char* bytes, size_t length)
    {
        quint64 word = 0;
        for (size_t i = 0; i < 8; ++i)
            word = (word << 8) | (i < length ? bytes[i] : 0u);
        return word;
    }

    // QCollator opens ICU under the locale's BCP 47 name with "_" between the tags and sets
    // these attributes; the same collator gives the same keys.
    UCollator* openCollator(const QLocale& locale)
    {
        const QByteArray name
            = locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
        UErrorCode status = U_ZERO_ERROR;
        UCollator* collator = ucol_open(name.constData(), &status);
        if (U_FAILURE(status)) {
            if (collator)
                ucol_close(collator);
            return nullptr;
        }
        const std::pair<UColAttribute, UColAttributeValue> attributes[] = {
            { UCOL_NORMALIZATION_MODE, UCOL_ON },
            { UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH },
            { UCOL_NUMERIC_COLLATION, UCOL_OFF },
            { UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE },
        };
        for (const auto& [attribute, value] : attributes) {
            status = U_ZERO_ERROR;
            ucol_setAttribute(collator, attribute, value, &status);
        }
        return collator;
    }
}

void TCollationKeys::CollatorCloser::operator()(UCollator* collator) const
{
    ucol_close(collator);
}

TCollationKeys::TCollationKeys(const QLocale& locale)
    // QCollator orders by code point (its keys are the UTF-8 bytes) under the C locale.
    : FCodePointOrder(locale.language() == QLocale::C)
{
    if (!FCodePointOrder)
        FCollator.reset(openCollator(locale));
}

TCollationKeys::~TCollationKeys() = default;

void TCollationKeys::Reserve(int count)
{
    const size_t size = size_t(std::max(count, 0));
    FPrefixes.reserve(size);
    FLengths.reserve(size);
    FStarts.reserve(size);
    FBytes.reserve(size * 24);
}

void TCollationKeys::AddSlot()
{
    FPrefixes.emplace_back();
    FLengths.push_back(kNone);
    FStarts.push_back(0);
}

// Appends the key of text to the buffer, without its terminating zero, and returns its length.
size_t TCollationKeys::writeKey(const QString& text)
{
    const size_t start = FBytes.size();
    if (FCodePointOrder) {
        const QByteArray utf8 = text.toUtf8();
        FBytes.insert(FBytes.end(), utf8.begin(), utf8.end());
    } else if (FCollator) {
        const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
        const auto length = int32_t(std::min<qsizetype>(text.size(), INT32_MAX));
        size_t room = 16 + size_t(text.size()) + size_t(text.size() >> 2);
        for (;;) {
            if (FBytes.capacity() < start + room)
                FBytes.reserve(std::max(start + room, FBytes.capacity() * 2));
            FBytes.resize(start + room);
            const int32_t needed
                = ucol_getSortKey(FCollator.get(), chars, length, &FBytes[start], int32_t(room));
            if (size_t(needed) <= room) {
                FBytes.resize(start + size_t(std::max(needed, 0)));
                break;
            }
            room = size_t(needed);
        }
    }
    if (FBytes.size() == start)
        return 0;
    // Keys compare as C strings: a zero byte ends one (ICU's terminator, or U+0000 in UTF-8).
    const auto* end = static_cast<const unsigned char*>(
        std::memchr(FBytes.data() + start, 0, FBytes.size() - start));
    const size_t length = end ? size_t(end - (FBytes.data() + start)) : FBytes.size() - start;
    if (length >= kNone)
        throw std::length_error("collation key too long");
    FBytes.resize(start + length);
    return length;
}

void TCollationKeys::Make(int slot, const QString& text)
{
    const size_t start = FBytes.size();
    const size_t length = writeKey(text);
    const unsigned char* bytes = FBytes.data() + start;
    Prefix& prefix = FPrefixes[size_t(slot)];
    prefix.High = bigEndianWord(bytes, length);
    prefix.Low = length > 8 ? bigEndianWord(bytes + 8, length - 8) : 0;
    FStarts[size_t(slot)] = start;
    FLengths[size_t(slot)] = quint32(length);
}

int TCollationKeys::Compare(int first, int second) const
{
    const Prefix& a = FPrefixes[size_t(first)];
    const Prefix& b = FPrefixes[size_t(second)];
    if (a.High != b.High)
        return a.High < b.High ? -1 : 1;
    if (a.Low != b.Low)
        return a.Low < b.Low ? -1 : 1;
    return compareTails(first, second);
}

// Equal prefixes: keys hold no zero byte, so a key that ends within the prefix is shorter than,
// or the same as, the other.
int TCollationKeys::compareTails(int first, int second) const
{
    const size_t a = FLengths[size_t(first)];
    const size_t b = FLengths[size_t(second)];
    if (a > kPrefixBytes && b > kPrefixBytes) {
        const int order = std::memcmp(FBytes.data() + FStarts[size_t(first)] + kPrefixBytes,
            FBytes.data() + FStarts[size_t(second)] + kPrefixBytes, std::min(a, b) - kPrefixBytes);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace quorvane
