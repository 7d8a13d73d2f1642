#include "platform/text/FileName.h"

#include <gtest/gtest.h>
#include <string>

using namespace quorvane;

namespace {

TEST(FileName, isTheTextAfterTheLastSlash)
{
    const std::pair<std::string_view, std::string_view> cases[] = { { "/usr/bin/top", "top" },
        { "top", "top" }, { "/trailing/", "" }, { "/", "" }, { "", "" },
        { "C:\\WINDOWS\\EXPLORER.EXE", "C:\\WINDOWS\\EXPLORER.EXE" }, { "a/b:c\\d", "b:c\\d" } };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(FileNameOf(path), name) << path;
}

} // namespace
