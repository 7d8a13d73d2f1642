#include "tests/support/StartedChild.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane::testing {

StartedChild::StartedChild(int threads, const std::string& name)
    : Path(name.empty() ? SNAPSHOT_CHILD : Copy(SNAPSHOT_CHILD, name))
    , Process(Path, { std::to_string(threads) })
{
    EXPECT_EQ(Process.ReadLine(), "ready");
}

std::string StartedChild::Copy(const std::string& program, const std::string& name) const
{
    const std::filesystem::path target = Dir.path().toStdString() + "/" + name;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(program, target);
    std::filesystem::permissions(target, std::filesystem::perms::owner_all);
    return target.string();
}

} // namespace quorvane::testing
