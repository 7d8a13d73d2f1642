// The text primitives on literal texts: where a line, a field or a word ends, which blanks go, and
// which texts are whole numbers.
#include "platform/text/FileName.h"
#include "platform/text/Int32Text.h"
#include "platform/text/TextFields.h"
#include "platform/text/WholeNumber.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Pieces = std::vector<std::string_view>;

template <typename Take> Pieces TakeAll(std::string_view text, Take take)
{
    Pieces pieces;
    while (!text.empty())
        pieces.push_back(take(text));
    return pieces;
}

TEST(TextFields, cutLinesFieldsAndWordsWhereTheirSeparatorsAre)
{
    struct Case {
        const char* What;
        std::string_view Text;
        Pieces (*Cut)(std::string_view);
        Pieces Expected;
    };
    const auto lines = [](std::string_view t) { return TakeAll(t, TakeLine); };
    const auto textLines = [](std::string_view t) { return TakeAll(t, TakeTextLine); };
    const auto commas = [](std::string_view t) {
        return TakeAll(t, [](std::string_view& r) { return TakeField(r, ','); });
    };
    const auto words = [](std::string_view t) {
        return TakeAll(t, [](std::string_view& r) { return TakeWord(r); });
    };
    const auto spaceWords = [](std::string_view t) {
        return TakeAll(t, [](std::string_view& r) { return TakeWord(r, " "); });
    };
    const Case cases[] = {
        { "no final LF", "a\nb", lines, { "a", "b" } },
        { "final LF adds no line", "a\n\nb\n", lines, { "a", "", "b" } },
        { "CR stays in a line", "a\r\nb\r", lines, { "a\r", "b\r" } },
        { "CR before LF goes", "a\r\nb\r\r\n\r", textLines, { "a", "b\r", "" } },
        { "empty fields", ",a,,b,", commas, { "", "a", "", "b" } },
        { "runs of blanks", "  1\t 2  3 ", words, { "1", "2", "3", "" } },
        { "tab in a word", "1\t2 3", spaceWords, { "1\t2", "3" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Cut(c.Text), c.Expected) << c.What;
}

TEST(TextFields, trimTakesOnlyTheBlanksAskedFor)
{
    struct Case {
        std::string_view Text, Blanks, Front, Back, Both;
    };
    const Case cases[] = {
        { " \ta b\t ", kBlanks, "a b\t ", " \ta b", "a b" },
        { "\r x \r", kBlanks, "\r x \r", "\r x \r", "\r x \r" },
        { "\r x \r", " \r", "x \r", "\r x", "x" },
        { " \t ", kBlanks, "", "", "" },
        { "", kBlanks, "", "", "" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimFront(c.Text, c.Blanks), c.Front) << c.Text;
        EXPECT_EQ(TrimBack(c.Text, c.Blanks), c.Back) << c.Text;
        EXPECT_EQ(Trim(c.Text, c.Blanks), c.Both) << c.Text;
    }
}

TEST(FileName, isTheTextAfterTheLastSlash)
{
    const std::pair<std::string_view, std::string_view> cases[] = { { "/usr/bin/top", "top" },
        { "top", "top" }, { "/trailing/", "" }, { "/", "" }, { "", "" },
        { "C:\\WINDOWS\\EXPLORER.EXE", "C:\\WINDOWS\\EXPLORER.EXE" }, { "a/b:c\\d", "b:c\\d" } };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(FileNameOf(path), name) << path;
}

TEST(WholeNumber, takesOnlyDigitsThatMakeUpTheWholeFieldAndFit)
{
    struct Case {
        std::string_view Text;
        std::optional<uint32_t> Decimal, Hex;
        std::optional<int8_t> SignedByte;
    };
    const Case cases[] = {
        { "0", 0, 0, 0 },
        { "0012", 12, 0x12, 12 },
        { "4294967295", 4294967295u, std::nullopt, std::nullopt },
        { "4294967296", std::nullopt, std::nullopt, std::nullopt },
        { "ffFFffFF", std::nullopt, 0xFFFFFFFF, std::nullopt },
        { "-128", std::nullopt, std::nullopt, -128 },
        { "-129", std::nullopt, std::nullopt, std::nullopt },
        { "", std::nullopt, std::nullopt, std::nullopt },
        { "+1", std::nullopt, std::nullopt, std::nullopt },
        { " 1", std::nullopt, std::nullopt, std::nullopt },
        { "1 ", std::nullopt, std::nullopt, std::nullopt },
        { "0x1", std::nullopt, std::nullopt, std::nullopt },
        { "1g", std::nullopt, std::nullopt, std::nullopt },
        { std::string_view("1\0", 2), std::nullopt, std::nullopt, std::nullopt },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal<uint32_t>(c.Text), c.Decimal) << c.Text;
        EXPECT_EQ(ParseHex<uint32_t>(c.Text), c.Hex) << c.Text;
        EXPECT_EQ(ParseDecimal<int8_t>(c.Text), c.SignedByte) << c.Text;
    }
}

TEST(Int32Text, scansDollarHexAsBitsAndSignedDecimalsUpToTwoToTheThirtyFirst)
{
    struct Case {
        std::string_view Text;
        std::optional<int32_t> Hex;
        std::optional<int64_t> Decimal;
    };
    const Case cases[] = {
        { "$1f", 31, std::nullopt },
        { "$FFFFFFFF", -1, std::nullopt },
        { "$000000000001", 1, std::nullopt }, // the value counts, not the digits
        { "$100000000", std::nullopt, std::nullopt },
        { "$", std::nullopt, std::nullopt },
        { "$-1", std::nullopt, std::nullopt },
        { "-$1", std::nullopt, std::nullopt },
        { "12", std::nullopt, 12 },
        { "+12", std::nullopt, 12 },
        { "-0", std::nullopt, 0 },
        { "2147483648", std::nullopt, 2147483648 },
        { "-2147483648", std::nullopt, -2147483648 },
        { "2147483649", std::nullopt, std::nullopt },
        { "-000000000002147483648", std::nullopt, -2147483648 },
        { "+-1", std::nullopt, std::nullopt },
        { "--1", std::nullopt, std::nullopt },
        { "-", std::nullopt, std::nullopt },
        { " 1", std::nullopt, std::nullopt },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanDollarHex32(c.Text), c.Hex) << c.Text;
        EXPECT_EQ(ScanSignedDecimal32(c.Text), c.Decimal) << c.Text;
    }
}

} // namespace
