// Any bytes must parse without a fault, and what the parser keeps must write out as a file that
// reads back whole and writes out again unchanged: otherwise a rewrite could lose the user's
// values.
#include "platform/hive/HiveParser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const HiveDocument document
        = ParseHive(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string written = SerializeHive(document);
    const HiveDocument again = ParseHive(written);
    if (again.Damaged() || SerializeHive(again) != written)
        std::abort();
    return 0;
}
