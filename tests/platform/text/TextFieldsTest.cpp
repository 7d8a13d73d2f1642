// Where a line, a field or a word ends, and which blanks go.
#include "platform/text/TextFields.h"

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

} // namespace
