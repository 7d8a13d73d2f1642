// The sort keys of a column against Qt's own collator: the order of texts must be exactly the
// one QCollator's case-sensitive sort keys give, for every locale, and a column sorts to the
// same permutation as with those keys.
#include "SortText.h"
#include "StableOrder.h"
#include "TCollationKeys.h"
#include "TListSortKeys.h"

#include <QCollator>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <numeric>
#include <random>

using namespace quorvane;

namespace {

int sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

// Random texts of the kinds a process list shows and then some: mixed scripts, accents in
// composed and decomposed form, characters outside the BMP, U+0000, lone surrogates, texts that
// share long beginnings, empty texts, numbers and dates.
class Corpus {
public:
    explicit Corpus(unsigned seed)
        : FRandom(seed)
    {
    }

    QStringList Make(int count)
    {
        QStringList texts;
        texts.reserve(count);
        for (int i = 0; i < count; ++i)
            texts.push_back(one());
        return texts;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(FRandom); }

    QString piece()
    {
        static const char32_t accented[] = { U'é', U'É', U'è', U'ä', U'Ä', U'ö', U'Ö', U'å', U'Å',
            U'ß', U'ñ', U'ç', U'ø', U'æ', U'ü', U'ł', U'ı', U'İ' };
        static const char32_t beyondBmp[]
            = { U'\U0001F600', U'\U00020000', U'\U0001D400', U'\U00010400', U'\U0002A6D6' };
        static const char* const words[] = { "kworker/", "systemd-", "Xorg", "xorg", "bash",
            "gnome-shell", "python3.11", "/usr/bin/", "a", "A", "-", "_", " " };
        static const char punctuation[] = " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
        switch (pick(12)) {
        case 0:
            return QString(QChar(char16_t('a' + pick(26))));
        case 1:
            return QString(QChar(char16_t('A' + pick(26))));
        case 2:
            return QString(QChar(char16_t('0' + pick(10))));
        case 3:
            return QString(QLatin1Char(punctuation[pick(int(sizeof punctuation) - 1)]));
        case 4:
            return QString::fromUcs4(&accented[pick(std::size(accented))], 1);
        case 5: // a base letter and a combining mark, which normalization composes
            return QString(QChar(char16_t('a' + pick(5)))) + QChar(char16_t(0x0300 + pick(5)));
        case 6:
            return QString(QChar(char16_t(0x4E00 + pick(400))));
        case 7:
            return QString::fromUcs4(&beyondBmp[pick(std::size(beyondBmp))], 1);
        case 8:
            return QString::fromLatin1(words[pick(std::size(words))]);
        case 9:
            return QString::number(pick(100000));
        case 10: // rare: U+0000, a lone surrogate, a private-use or noncharacter
        {
            static const char16_t odd[] = { 0x0000, 0xD800, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF };
            return pick(4) == 0 ? QString(QChar(odd[pick(std::size(odd))])) : QString();
        }
        default:
            return QString(QChar(char16_t('a' + pick(3))));
        }
    }

    QString one()
    {
        switch (pick(20)) {
        case 0:
            return QString();
        case 1:
            return QString::number(
                std::uniform_real_distribution<double>(-1e6, 1e6)(FRandom), 'f', pick(4));
        case 2:
            return QStringLiteral("%1/%2/%3").arg(1 + pick(12)).arg(1 + pick(31)).arg(pick(2100));
        case 3:
            return QStringLiteral("%1.%2.%3").arg(1 + pick(31)).arg(1 + pick(12)).arg(pick(2100));
        case 4: // long shared beginnings, so keys differ only past their first 16 bytes
            return QStringLiteral("kworker/u16:%1-events_unbound").arg(pick(40));
        default:
            break;
        }
        QString text;
        const int pieces = 1 + pick(8);
        for (int i = 0; i < pieces; ++i)
            text += piece();
        return text;
    }

    std::mt19937 FRandom;
};

// The column comparison made from Qt's parts: numbers, then dates, then QCollator's sort keys.
class ReferenceKeys {
public:
    ReferenceKeys(const QLocale& locale, const QStringList& texts)
        : FCollator(locale)
    {
        FCollator.setCaseSensitivity(Qt::CaseSensitive);
        const TShortDateFormat format = TShortDateFormat::FromLocale(locale);
        for (const QString& text : texts) {
            Cell cell;
            cell.IsNumber = TextToNumber(text, cell.Number);
            cell.IsDate = TextToDate(text, format, cell.Days);
            FCells.push_back(cell);
            FKeys.push_back(FCollator.sortKey(text));
        }
    }

    int Compare(int first, int second) const
    {
        const Cell& a = FCells[size_t(first)];
        const Cell& b = FCells[size_t(second)];
        if (a.IsNumber && b.IsNumber)
            return a.Number < b.Number ? -1 : a.Number > b.Number ? 1 : 0;
        if (a.IsDate && b.IsDate)
            return int(std::clamp<qint64>(a.Days - b.Days, std::numeric_limits<qint32>::min(),
                std::numeric_limits<qint32>::max()));
        return TextOrder(first, second);
    }

    int TextOrder(int first, int second) const
    {
        return sign(FKeys[size_t(first)].compare(FKeys[size_t(second)]));
    }

private:
    struct Cell {
        bool IsNumber = false;
        bool IsDate = false;
        long double Number = 0;
        qint64 Days = 0;
    };

    QCollator FCollator;
    std::vector<Cell> FCells;
    std::vector<QCollatorSortKey> FKeys;
};

const QLocale& localeAt(int index)
{
    static const QLocale locales[]
        = { QLocale::c(), QLocale("en_US"), QLocale("de_DE"), QLocale("sv_SE") };
    return locales[index];
}

class CollationOrderTest : public ::testing::TestWithParam<int> {
protected:
    static constexpr int kTexts = 30'000;
    static constexpr int kPairs = 300'000;

    CollationOrderTest()
        : FLocale(localeAt(GetParam()))
        , FTexts(Corpus(20261206u + unsigned(GetParam())).Make(kTexts))
        , FReference(FLocale, FTexts)
    {
    }

    QLocale FLocale;
    QStringList FTexts;
    ReferenceKeys FReference;
};

TEST_P(CollationOrderTest, textKeysOrderRandomPairsAsQCollator)
{
    TCollationKeys keys(FLocale);
    keys.Reserve(kTexts);
    for (const QString& text : FTexts) {
        keys.AddSlot();
        keys.Make(int(&text - FTexts.data()), text);
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> cell(0, kTexts - 1);
    int mismatches = 0;
    for (int i = 0; i < kPairs; ++i) {
        const int a = cell(random);
        // Now and then a text against itself, which must tie.
        const int b = i % 16 == 0 ? a : cell(random);
        const int expected = FReference.TextOrder(a, b);
        if (keys.Compare(a, b) != expected && ++mismatches <= 10)
            ADD_FAILURE() << FLocale.name().toStdString() << ": \"" << FTexts[a].toStdString()
                          << "\" vs \"" << FTexts[b].toStdString() << "\" expected " << expected;
        if (keys.Compare(b, a) != -expected)
            ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_P(CollationOrderTest, sortedTextsAgreeWithQCollatorThroughout)
{
    // Sorted by the reference, every neighbouring pair and the ties must agree: this walks the
    // keys that differ only late, which random pairs rarely meet.
    std::vector<int> order(kTexts);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [this](int a, int b) { return FReference.TextOrder(a, b) < 0; });
    TCollationKeys keys(FLocale);
    for (const QString& text : FTexts) {
        keys.AddSlot();
        keys.Make(int(&text - FTexts.data()), text);
    }
    int mismatches = 0;
    for (size_t i = 1; i < order.size(); ++i) {
        const int a = order[i - 1];
        const int b = order[i];
        mismatches += keys.Compare(a, b) != FReference.TextOrder(a, b);
        mismatches += keys.Compare(b, a) != FReference.TextOrder(b, a);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_P(CollationOrderTest, columnComparisonAndFullSortMatchTheReference)
{
    TListSortKeys keys(FLocale);
    keys.Reserve(kTexts);
    for (const QString& text : FTexts)
        keys.Add(&text);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> cell(0, kTexts - 1);
    int mismatches = 0;
    for (int i = 0; i < kPairs / 3; ++i) {
        const int a = cell(random);
        const int b = cell(random);
        mismatches += sign(keys.Compare(a, b)) != sign(FReference.Compare(a, b));
    }
    EXPECT_EQ(mismatches, 0);

    const std::vector<int> expected = StableOrder(
        kTexts, [this](int first, int second) { return FReference.Compare(first, second); });
    const std::vector<int> actual = StableOrder(
        kTexts, [&keys](int first, int second) { return keys.Compare(first, second); });
    EXPECT_EQ(actual, expected);
    const std::vector<int> descending = StableOrder(
        kTexts, [&keys](int first, int second) { return -keys.Compare(first, second); });
    EXPECT_EQ(descending, StableOrder(kTexts, [this](int first, int second) {
        return -FReference.Compare(first, second);
    }));
}

TEST_P(CollationOrderTest, missingCellsCompareEqualToAnything)
{
    TListSortKeys keys(FLocale);
    keys.Add(&FTexts[0]);
    keys.Add(nullptr);
    keys.Add(&FTexts[1]);
    EXPECT_EQ(keys.Compare(0, 1), 0);
    EXPECT_EQ(keys.Compare(1, 2), 0);
    EXPECT_EQ(keys.Compare(1, 1), 0);
}

INSTANTIATE_TEST_SUITE_P(Locales, CollationOrderTest, ::testing::Range(0, 4),
    [](const ::testing::TestParamInfo<int>& info) {
        return localeAt(info.param).name().replace(QLatin1Char('_'), QString()).toStdString();
    });

TEST(CollationOrder, followsTheLocaleNotTheProcess)
{
    const QString z = QStringLiteral("z");
    const QString oUmlaut = QStringLiteral("ö");
    for (const char* name : { "sv_SE", "de_DE", "en_US" }) {
        TCollationKeys keys { QLocale(QString::fromLatin1(name)) };
        keys.AddSlot();
        keys.AddSlot();
        keys.Make(0, oUmlaut);
        keys.Make(1, z);
        // Swedish puts ö after z; German and English next to o.
        EXPECT_EQ(keys.Compare(0, 1), QByteArray(name) == "sv_SE" ? 1 : -1) << name;
    }
    TCollationKeys c { QLocale::c() };
    c.AddSlot();
    c.AddSlot();
    c.Make(0, QStringLiteral("a"));
    c.Make(1, QStringLiteral("B"));
    EXPECT_EQ(c.Compare(0, 1), 1); // code point order: capitals first
}

} // namespace
