#include "platform/desktop/DesktopEntry.h"

#include <gtest/gtest.h>

using namespace quorvane;

// Plain, quoted and env-prefixed lines are met by the icons test below.
TEST(DesktopEntry, findsTheProgramAnExecLineStarts)
{
    const std::pair<const char*, const char*> cases[] = {
        { "\"/opt/say \\\"hi\\\"\" x", "/opt/say \"hi\"" },
        { "/usr/bin/env -u FOO X=1 /opt/tool", "/opt/tool" },
        { "env A=1", "" },
    };
    for (const auto& [exec, program] : cases)
        EXPECT_EQ(DesktopEntry::ExecProgram(exec), program) << exec;
}
