// Any bytes as a .desktop file: parsing, splitting the Exec value into words and finding the
// program it starts never fault, and the program is one of the words.
#include "platform/desktop/DesktopEntry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<DesktopEntry> entry = DesktopEntry::Parse(text);
    if (entry && text.find("[Desktop Entry]") == std::string_view::npos)
        std::abort();
    // The raw text as an Exec value too, so the quoting rules meet every byte.
    for (const std::string_view exec : { entry ? std::string_view(entry->Exec) : "", text }) {
        const std::vector<std::string> words = DesktopEntry::ExecWords(exec);
        const std::string program = DesktopEntry::ExecProgram(exec);
        if (!program.empty() && std::find(words.begin(), words.end(), program) == words.end())
            std::abort();
        for (const std::string& word : words)
            if (word.size() > exec.size())
                std::abort();
    }
    return 0;
}
