#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

struct UCollator;

namespace quorvane {

// Case-sensitive collation keys of texts under a locale, ordered exactly as QCollator's sort
// keys for that locale (ICU keys; the UTF-8 bytes under the C locale). All keys live in one
// buffer, and the first 16 bytes of each are kept apart in a contiguous array, so most
// comparisons read 32 bytes and never follow a pointer.
class TCollationKeys {
public:
    explicit TCollationKeys(const QLocale& locale);
    ~TCollationKeys();
    TCollationKeys(const TCollationKeys&) = delete;
    TCollationKeys& operator=(const TCollationKeys&) = delete;

    void Reserve(int count);
    // A new slot, without a key.
    void AddSlot();
    bool Has(int slot) const { return FLengths[size_t(slot)] != kNone; }
    void Make(int slot, const QString& text);

    // -1, 0 or 1 as the key of slot first goes before, with or after that of slot second.
    int Compare(int first, int second) const;

private:
    struct Prefix {
        quint64 High = 0;
        quint64 Low = 0;
    };
    struct CollatorCloser {
        void operator()(UCollator* collator) const;
    };
    static constexpr quint32 kNone = 0xffffffffu;
    static constexpr size_t kPrefixBytes = sizeof(Prefix);

    size_t writeKey(const QString& text);
    int compareTails(int first, int second) const;

    std::unique_ptr<UCollator, CollatorCloser> FCollator;
    bool FCodePointOrder = false;
    std::vector<Prefix> FPrefixes;
    std::vector<quint32> FLengths;
    std::vector<size_t> FStarts;
    std::vector<unsigned char> FBytes;
};

} // namespace quorvane
