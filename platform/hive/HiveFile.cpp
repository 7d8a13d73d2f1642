#include "platform/hive/HiveFile.h"

#include "platform/hive/HiveParser.h"
#include "platform/posix/UniqueFd.h"
#include "platform/text/FileName.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

    constexpr std::string_view kUserHive = "user.reg";
    constexpr std::string_view kMachineHive = "machine.reg";

    std::mutex programFolderLock;
    std::string programFolder;

    std::string ProgramFolder()
    {
        const std::lock_guard<std::mutex> hold(programFolderLock);
        return programFolder;
    }

    std::string HomeFolder()
    {
        if (const char* home = std::getenv("HOME"); home && *home)
            return home;
        std::vector<char> buffer(16384);
        passwd entry {};
        passwd* found = nullptr;
        if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found
            && found->pw_dir)
            return found->pw_dir;
        return {};
    }

    std::string Folder(const std::string& path)
    {
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    }

    // Makes the folder and any missing folder above it, private to the user.
    bool MakeFolders(const std::string& folder)
    {
        struct stat info { };
        if (::stat(folder.c_str(), &info) == 0)
            return S_ISDIR(info.st_mode);
        if (errno != ENOENT)
            return false;
        const std::string parent = Folder(folder);
        if (parent != folder && !MakeFolders(parent))
            return false;
        return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
    }

    enum class ReadOutcome { roRead, roMissing, roFailed };

    ReadOutcome ReadWhole(const std::string& path, std::string& bytes)
    {
        bytes.clear();
        // Not blocking: a FIFO put in the hive's place must not hold the program at open.
        UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (!file.Valid())
            return errno == ENOENT ? ReadOutcome::roMissing : ReadOutcome::roFailed;
        struct stat info { };
        if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
            return ReadOutcome::roFailed;
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (true) {
            if (done == bytes.size())
                bytes.resize(bytes.size() + 4096); // the file grew since fstat
            const ssize_t got = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return ReadOutcome::roFailed;
            if (got == 0)
                break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
        return ReadOutcome::roRead;
    }

    bool WriteAll(int fd, std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t put = ::write(fd, bytes.data(), bytes.size());
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(put));
        }
        return true;
    }

    bool LockExclusive(int fd)
    {
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR)
                return false;
        }
        return true;
    }

    std::string TemporaryPrefix(const std::string& base)
    {
        return "." + base + ".";
    }

    // Temporary files of writers that died before their rename. Only a writer holding the lock
    // makes one, so under the lock every one found is an orphan.
    void RemoveOrphans(int folderFd, const std::string& base)
    {
        const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
        if (listFd < 0)
            return;
        DIR* listing = ::fdopendir(listFd);
        if (!listing) {
            ::close(listFd);
            return;
        }
        const std::string prefix = TemporaryPrefix(base);
        std::vector<std::string> orphans;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string_view name = entry->d_name;
            if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix)
                orphans.emplace_back(name);
        }
        ::closedir(listing);
        for (const std::string& name : orphans)
            ::unlinkat(folderFd, name.c_str(), 0);
    }

    // Keeps the file as it is under a dated name beside it, so that nothing the user had is lost
    // when the parts that could not be read are left out of the next write.
    bool KeepAside(int folderFd, const std::string& base)
    {
        const std::time_t now = std::time(nullptr);
        std::tm local {};
        ::localtime_r(&now, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        const std::string dated = base + ".unreadable-" + stamp;
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const std::string name = attempt == 0 ? dated : dated + "-" + std::to_string(attempt);
            if (::linkat(folderFd, base.c_str(), folderFd, name.c_str(), 0) == 0)
                return true;
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    bool ReplaceFile(const std::string& path, int folderFd, const std::string& text)
    {
        const std::string base(FileNameOf(path));
        std::string temporary = Folder(path) + "/" + TemporaryPrefix(base) + "XXXXXX";
        UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!file.Valid())
            return false;
        const bool written = ::fchmod(file.Get(), 0600) == 0 && WriteAll(file.Get(), text)
            && ::fsync(file.Get()) == 0 && file.Close()
            && ::rename(temporary.c_str(), path.c_str()) == 0;
        if (!written) {
            ::unlink(temporary.c_str());
            return false;
        }
        return ::fsync(folderFd) == 0;
    }

    // A hive kept elsewhere and linked in, as dotfile managers do, is replaced where it lives so
    // that the link stays. A dangling link is replaced by the file.
    std::string WritePath(const std::string& path)
    {
        struct stat info { };
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::unique_ptr<char, decltype(&std::free)> resolved(
            ::realpath(path.c_str(), nullptr), &std::free);
        return resolved ? std::string(resolved.get()) : path;
    }

    // The last parse of each recently read file with the bytes it was made from. Comparing the
    // bytes, not times or sizes, makes it exact: a file edited within one clock tick to the same
    // size is still seen as changed.
    struct ParsedFile {
        std::string Path;
        std::string Bytes;
        std::shared_ptr<const HiveDocument> Document;
    };
    constexpr size_t kParsedFilesKept = 4;

    std::shared_ptr<const HiveDocument> ParseOrReuse(const std::string& path, std::string bytes)
    {
        static std::mutex lock;
        static std::vector<ParsedFile> parsed;
        const std::lock_guard guard(lock);
        for (ParsedFile& file : parsed) {
            if (file.Path == path) {
                if (file.Bytes != bytes) {
                    file.Document = std::make_shared<const HiveDocument>(ParseHive(bytes));
                    file.Bytes = std::move(bytes);
                }
                return file.Document;
            }
        }
        if (parsed.size() == kParsedFilesKept)
            parsed.erase(parsed.begin());
        auto document = std::make_shared<const HiveDocument>(ParseHive(bytes));
        parsed.push_back({ path, std::move(bytes), document });
        return document;
    }

} // namespace

HiveFile::HiveFile(std::string path, HiveRoot root, bool writable)
    : FPath(std::move(path))
    , FRoot(root)
    , FWritable(writable)
{
}

void HiveFile::SetProgramFolder(std::string folder)
{
    const std::lock_guard<std::mutex> hold(programFolderLock);
    programFolder = std::move(folder);
}

HiveFile HiveFile::ForCurrentUser()
{
    const std::string folder = ProgramFolder();
    if (folder.empty())
        return HiveFile({}, HiveRoot::hrCurrentUser, false);
    std::string configHome;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        configHome = xdg;
    else if (const std::string home = HomeFolder(); !home.empty())
        configHome = home + "/.config";
    if (configHome.empty())
        return HiveFile({}, HiveRoot::hrCurrentUser, false);
    return HiveFile(
        configHome + "/" + folder + "/" + std::string(kUserHive), HiveRoot::hrCurrentUser, true);
}

HiveFile HiveFile::ForLocalMachine()
{
    const std::string folder = ProgramFolder();
    if (folder.empty())
        return HiveFile({}, HiveRoot::hrLocalMachine, false);
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const std::string_view list = (dirs && *dirs) ? dirs : "/etc/xdg";
    size_t start = 0;
    while (start <= list.size()) {
        const size_t colon = list.find(':', start);
        const std::string_view dir = list.substr(
            start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
        if (!dir.empty() && dir.front() == '/') {
            std::string candidate
                = std::string(dir) + "/" + folder + "/" + std::string(kMachineHive);
            if (::access(candidate.c_str(), F_OK) == 0)
                return HiveFile(std::move(candidate), HiveRoot::hrLocalMachine, false);
        }
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    return HiveFile({}, HiveRoot::hrLocalMachine, false);
}

HiveResult HiveFile::Load(std::shared_ptr<const HiveDocument>& document) const
{
    static const auto empty = std::make_shared<const HiveDocument>();
    document = empty;
    if (FPath.empty())
        return HiveResult::hsOk;
    std::string bytes;
    switch (ReadWhole(FPath, bytes)) {
    case ReadOutcome::roMissing:
        return HiveResult::hsOk;
    case ReadOutcome::roFailed:
        return HiveResult::hsIoError;
    case ReadOutcome::roRead:
        break;
    }
    document = ParseOrReuse(FPath, std::move(bytes));
    return HiveResult::hsOk;
}

HiveResult HiveFile::Update(const std::function<HiveResult(HiveDocument&)>& change) const
{
    if (!Writable())
        return HiveResult::hsAccessDenied;
    const std::string path = WritePath(FPath);
    const std::string folder = Folder(path);
    const std::string base(FileNameOf(path));
    if (!MakeFolders(folder))
        return HiveResult::hsIoError;
    UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.Valid() || !LockExclusive(folderFd.Get()))
        return HiveResult::hsIoError;
    RemoveOrphans(folderFd.Get(), base);

    std::string bytes;
    const ReadOutcome outcome = ReadWhole(path, bytes);
    if (outcome == ReadOutcome::roFailed)
        return HiveResult::hsIoError;
    HiveDocument document;
    if (outcome == ReadOutcome::roRead)
        document = ParseHive(bytes);
    if (const HiveResult result = change(document); result != HiveResult::hsOk)
        return result;
    const std::string text = SerializeHive(document);
    if (outcome == ReadOutcome::roRead && !document.Damaged() && text == bytes)
        return HiveResult::hsOk;
    if (outcome == ReadOutcome::roRead && document.Damaged() && !KeepAside(folderFd.Get(), base))
        return HiveResult::hsIoError;
    return ReplaceFile(path, folderFd.Get(), text) ? HiveResult::hsOk : HiveResult::hsIoError;
    // The lock goes with folderFd.
}

} // namespace quorvane
