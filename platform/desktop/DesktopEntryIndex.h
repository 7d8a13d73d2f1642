#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace quorvane {

// Which icon the installed .desktop entries give each program, found by the path of the program's
// executable. Entries are read from the applications folders of XDG_DATA_HOME and XDG_DATA_DIRS,
// earlier folders first; an entry hides a later one with the same desktop file id.
class DesktopEntryIndex {
public:
    // Reads the folders named by the environment as it is now.
    void Load();
    void Load(const std::vector<std::string>& dataDirs, const std::string& searchPath);

    // The Icon value of the entry that starts `executable`; nullptr when none does.
    const std::string* IconOf(const std::string& executable) const;

    const std::vector<std::string>& DataDirs() const { return FDataDirs; }

    // The data folders of the environment, most important first.
    static std::vector<std::string> EnvironmentDataDirs();

private:
    void LoadFolder(const std::string& applications);
    void AddProgram(const std::string& program, const std::string& icon);
    std::string Resolve(const std::string& program) const;

    std::vector<std::string> FDataDirs;
    std::vector<std::string> FSearchPath;
    std::unordered_map<std::string, bool> FSeenIds;
    std::unordered_map<std::string, std::string> FIcons;
};

} // namespace quorvane
