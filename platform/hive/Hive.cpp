#include "platform/hive/Hive.h"

namespace quorvane {

const char* HiveRootName(HiveRoot root)
{
    return root == HiveRoot::hrLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

} // namespace quorvane
