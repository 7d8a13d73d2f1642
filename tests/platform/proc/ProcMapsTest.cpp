#include "platform/proc/ProcMaps.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/sysmacros.h>

using namespace quorvane;

namespace {

// What a line of maps parses to, in brief: range, access, offset, device, inode, kind and the
// path as the file system names it.
std::string Parsed(std::string_view line)
{
    const auto region = ParseMapsLine(line);
    if (!region)
        return "skipped";
    const char* kind = region->IsFile() ? "file" : region->IsAnonymous() ? "anonymous" : "pseudo";
    std::ostringstream text;
    text << std::hex << region->start << '-' << region->end << ' ' << (region->readable ? 'r' : '-')
         << (region->writable ? 'w' : '-') << (region->executable ? 'x' : '-')
         << (region->shared ? 's' : 'p') << ' ' << region->offset << std::dec << ' '
         << major(region->file.device) << ':' << minor(region->file.device) << ' '
         << region->file.inode << ' ' << kind << " '" << DecodeMapsPath(region->path) << "'";
    return text.str();
}

} // namespace

TEST(MapsParsing, readsEachLineOrSkipsItWhenMalformed)
{
    const std::pair<const char*, const char*> cases[] = {
        { "7f12a0000000-7f12a0021000 r-xp 00002000 fd:01 1311752          /opt/my app/l\\012x.so",
            "7f12a0000000-7f12a0021000 r-xp 2000 253:1 1311752 file '/opt/my app/l\nx.so'" },
        { "1000-2000 rw-p 00000000 00:00 0 [heap]", "1000-2000 rw-p 0 0:0 0 pseudo '[heap]'" },
        { "1000-2000 rw-s 00000000 00:0e 1057 anon_inode:[perf]",
            "1000-2000 rw-s 0 0:14 1057 pseudo 'anon_inode:[perf]'" },
        { "1000-2000 ---p 00000000 00:00 0 ", "1000-2000 ---p 0 0:0 0 anonymous ''" },
        { "garbage line", "skipped" },
        { "1000-2000 rw-p", "skipped" },
        { "4000-5000 r--p 0000000 08:01 x /bad-inode", "skipped" },
    };
    std::string text;
    size_t kept = 0;
    for (const auto& [line, parsed] : cases) {
        EXPECT_EQ(Parsed(line), parsed) << line;
        text += line + std::string("\n");
        kept += std::string_view(parsed) != "skipped";
    }
    EXPECT_EQ(ParseMaps(text).size(), kept) << "the malformed lines are skipped";
}
