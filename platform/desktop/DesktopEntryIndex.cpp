#include "platform/desktop/DesktopEntryIndex.h"

#include "platform/desktop/DesktopEntry.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {
    std::vector<std::string> Split(const std::string& text)
    {
        std::vector<std::string> parts;
        size_t start = 0;
        while (start <= text.size()) {
            const size_t end = std::min(text.find(':', start), text.size());
            if (end > start)
                parts.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return parts;
    }

    std::string Environment(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    bool IsExecutableFile(const std::string& path)
    {
        struct stat info { };
        return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
            && access(path.c_str(), X_OK) == 0;
    }

    std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
}

std::vector<std::string> DesktopEntryIndex::EnvironmentDataDirs()
{
    std::string home = Environment("XDG_DATA_HOME");
    if (home.empty() && !Environment("HOME").empty())
        home = Environment("HOME") + "/.local/share";
    std::string dirs = Environment("XDG_DATA_DIRS");
    if (dirs.empty())
        dirs = "/usr/local/share:/usr/share";
    std::vector<std::string> result;
    if (!home.empty())
        result.push_back(home);
    for (std::string& dir : Split(dirs))
        result.push_back(std::move(dir));
    return result;
}

void DesktopEntryIndex::Load()
{
    std::string path = Environment("PATH");
    Load(EnvironmentDataDirs(), path.empty() ? "/usr/local/bin:/usr/bin:/bin" : path);
}

void DesktopEntryIndex::Load(
    const std::vector<std::string>& dataDirs, const std::string& searchPath)
{
    FDataDirs = dataDirs;
    FSearchPath = Split(searchPath);
    FSeenIds.clear();
    FIcons.clear();
    for (const std::string& dir : FDataDirs)
        LoadFolder(dir + "/applications");
}

void DesktopEntryIndex::LoadFolder(const std::string& applications)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::pair<std::string, fs::path>> files; // desktop file id, file
    for (fs::recursive_directory_iterator it(applications, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() != ".desktop" || !it->is_regular_file(error))
            continue;
        std::string id = fs::relative(it->path(), applications, error).string();
        std::replace(id.begin(), id.end(), '/', '-');
        files.emplace_back(std::move(id), it->path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& [id, file] : files) {
        if (!FSeenIds.emplace(id, true).second)
            continue;
        const std::optional<DesktopEntry> entry = DesktopEntry::Parse(ReadFile(file));
        if (!entry || entry->Hidden || entry->Type != "Application" || entry->Icon.empty())
            continue;
        AddProgram(DesktopEntry::ExecProgram(entry->Exec), entry->Icon);
        AddProgram(entry->TryExec, entry->Icon);
    }
}

void DesktopEntryIndex::AddProgram(const std::string& program, const std::string& icon)
{
    const std::string path = Resolve(program);
    if (path.empty())
        return;
    FIcons.emplace(path, icon);
    // A process names the file it runs with every link resolved.
    if (char* real = realpath(path.c_str(), nullptr)) {
        FIcons.emplace(real, icon);
        std::free(real);
    }
}

std::string DesktopEntryIndex::Resolve(const std::string& program) const
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return program.front() == '/' ? program : std::string();
    for (const std::string& dir : FSearchPath) {
        const std::string candidate = dir + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

const std::string* DesktopEntryIndex::IconOf(const std::string& executable) const
{
    const auto it = FIcons.find(executable);
    return it == FIcons.end() ? nullptr : &it->second;
}

} // namespace quorvane
