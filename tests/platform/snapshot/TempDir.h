#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quorvane::test {

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-XXXXXX").string();
        FPath = mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }

    // A copy of an executable under a chosen name (any bytes but "/" and NUL).
    std::string CopyProgram(const std::string& program, const std::string& name) const
    {
        const std::string target = *this / name;
        std::filesystem::copy_file(program, target);
        std::filesystem::permissions(target, std::filesystem::perms::owner_all);
        return target;
    }

private:
    std::filesystem::path FPath;
};

} // namespace quorvane::test
