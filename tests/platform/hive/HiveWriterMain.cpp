// Writes to a hive file the way the program does, for the tests that kill or race writers.
//   hive_writer HIVE loop NAME          writes NAME = n+1, n+2 ... until killed, n the stored
//   value;
//                                       prints "w" once the first write is done
//   hive_writer HIVE fill PREFIX COUNT  writes PREFIX0 .. PREFIX<COUNT-1>, one write each
// Values go to HKEY_CURRENT_USER\Software\Test. Exit status 0 when every write succeeded.
#include "HiveKey.h"
#include "HiveText.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quorvane;

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const HiveKey root = HiveKey::OpenRoot(HiveFile(argv[1], HiveRoot::hrCurrentUser, true));
    const auto key = root.CreateSubKey("Software\\Test");
    if (!key)
        return 3;
    const std::string mode = argv[2];
    if (mode == "loop") {
        bool reported = false;
        HiveValue stored;
        long counter = key->QueryValue(argv[3], stored) == HiveResult::hsOk
            ? std::strtol(StringDataToUtf8(stored.Data).c_str(), nullptr, 10)
            : 0;
        for (++counter;; ++counter) {
            if (key->SetValue(argv[3], REG_SZ, Utf8ToStringData(std::to_string(counter)))
                != HiveResult::hsOk)
                return 4;
            if (!reported) {
                reported = true;
                std::puts("w");
                std::fflush(stdout);
            }
        }
    }
    if (mode == "fill" && argc == 5) {
        const long count = std::strtol(argv[4], nullptr, 10);
        for (long i = 0; i < count; ++i) {
            const std::string name = argv[3] + std::to_string(i);
            if (key->SetValue(name, REG_SZ, Utf8ToStringData(name)) != HiveResult::hsOk)
                return 4;
        }
        return 0;
    }
    return 2;
}
