#pragma once
// Texts out of fuzz bytes: the first byte chooses a locale (low two bits) and whether the rest
// is UTF-8 (bit 2) or raw UTF-16 code units, which reach lone surrogates and U+0000; texts are
// split at U+001F.

#include <QLocale>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvane {

struct FuzzTexts {
    QLocale Locale;
    QStringList Texts;
    uint8_t Choice = 0;

    static FuzzTexts From(const uint8_t* data, size_t size, qsizetype maxTexts)
    {
        static const QLocale locales[]
            = { QLocale::c(), QLocale("en_US"), QLocale("de_DE"), QLocale("sv_SE") };
        FuzzTexts result;
        if (size == 0)
            return result;
        result.Choice = data[0];
        result.Locale = locales[data[0] & 3];
        QString all;
        if (data[0] & 4) {
            all = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
        } else { // copied: the bytes need not be aligned for char16_t
            all.resize(qsizetype((size - 1) / 2));
            std::memcpy(all.data(), data + 1, size_t(all.size()) * 2);
        }
        result.Texts = all.split(QChar(0x1F));
        if (result.Texts.size() > maxTexts)
            result.Texts.resize(maxTexts);
        return result;
    }
};

} // namespace quorvane
