#pragma once

#include "platform/hive/HiveDocument.h"

#include <functional>
#include <memory>
#include <string>

namespace quorvane {

// One hive on disk. Reading takes no lock: a writer replaces the file whole by renaming, so a
// reader sees the old or the new file, never a mix. Every change runs under an exclusive lock on
// the hive's folder, on a fresh read of the file, and is written to a temporary file in the same
// folder that is synced and renamed over the old one before the folder itself is synced.
class HiveFile {
public:
    // path empty: a hive that does not exist, read as empty.
    HiveFile(std::string path, HiveRoot root, bool writable);

    // The program's folder under the configuration directories, which holds its hives; named by
    // the program before it opens a store. Until then both hives are empty and not writable.
    static void SetProgramFolder(std::string folder);

    // The current user's hive, $XDG_CONFIG_HOME/FOLDER/user.reg (~/.config when unset), found
    // afresh on each call.
    static HiveFile ForCurrentUser();
    // The machine's hive, read-only: the first FOLDER/machine.reg in $XDG_CONFIG_DIRS
    // (/etc/xdg when unset), or an empty hive when there is none.
    static HiveFile ForLocalMachine();

    const std::string& Path() const { return FPath; }
    HiveRoot Root() const { return FRoot; }
    bool Writable() const { return FWritable && !FPath.empty(); }

    // Reads and parses the file. A missing file is an empty hive; a file that cannot be read
    // gives hsIoError. The file is read in full every time; only when its bytes are the same as
    // at the last read is the parse of those bytes used again.
    HiveResult Load(std::shared_ptr<const HiveDocument>& document) const;

    // Applies change to the hive as it is on disk now and writes the result back. Nothing is
    // written when change fails or leaves the file as it was. A file that could not be read in
    // full is first kept aside as "user.reg.unreadable-YYYYMMDD-HHMMSS", and what could be read
    // of it is carried over.
    HiveResult Update(const std::function<HiveResult(HiveDocument&)>& change) const;

private:
    std::string FPath;
    HiveRoot FRoot;
    bool FWritable;
};

} // namespace quorvane
