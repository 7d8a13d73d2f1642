// Where a line, a field or a word ends, and which blanks go.
#include "platform/text/TextFields.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

TEST(TextFields, cutLinesFieldsAndWordsWhereTheirSeparatorsAre)
{
    using Take = std::function<std::string_view(std::string_view&)>;
    const Take commas = [](std::string_view& rest) { return TakeField(rest, ','); };
    const Take words = [](std::string_view& rest) { return TakeWord(rest); };
    const Take spaceWords = [](std::string_view& rest) { return TakeWord(rest, " "); };
    const std::tuple<const char*, std::string_view, Take, std::vector<std::string_view>> cases[] = {
        { "no final LF", "a\nb", TakeLine, { "a", "b" } },
        { "final LF adds no line", "a\n\nb\n", TakeLine, { "a", "", "b" } },
        { "CR stays in a line", "a\r\nb\r", TakeLine, { "a\r", "b\r" } },
        { "CR before LF goes", "a\r\nb\r\r\n\r", TakeTextLine, { "a", "b\r", "" } },
        { "empty fields", ",a,,b,", commas, { "", "a", "", "b" } },
        { "runs of blanks", "  1\t 2  3 ", words, { "1", "2", "3", "" } },
        { "tab in a word", "1\t2 3", spaceWords, { "1\t2", "3" } },
    };
    for (const auto& [what, text, take, expected] : cases) {
        std::vector<std::string_view> pieces;
        for (std::string_view rest = text; !rest.empty();)
            pieces.push_back(take(rest));
        EXPECT_EQ(pieces, expected) << what;
    }
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
