#include "platform/desktop/DesktopEntry.h"

#include "platform/text/TextFields.h"

namespace quorvane {

namespace {
    // A CR of a CR LF line goes with the blanks at the end.
    std::string_view Trimmed(std::string_view text)
    {
        return TrimBack(TrimFront(text), " \t\r");
    }

    // The escapes of a string value; others stay for the Exec quoting rules to read.
    std::string Unescaped(std::string_view value)
    {
        std::string text;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] != '\\' || i + 1 == value.size()) {
                text += value[i];
                continue;
            }
            switch (value[++i]) {
            case 's':
                text += ' ';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            case '\\':
                text += '\\';
                break;
            default:
                text += '\\';
                text += value[i];
            }
        }
        return text;
    }

    bool IsEnv(const std::string& word)
    {
        return word == "env" || (word.size() > 4 && word.ends_with("/env"));
    }
}

std::optional<DesktopEntry> DesktopEntry::Parse(std::string_view text)
{
    std::optional<DesktopEntry> entry;
    bool inGroup = false;
    while (!text.empty()) {
        const std::string_view line = Trimmed(TakeLine(text));
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
            if (inGroup && !entry)
                entry.emplace();
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trimmed(line.substr(0, equals));
        const std::string value = Unescaped(Trimmed(line.substr(equals + 1)));
        if (key == "Type")
            entry->Type = value;
        else if (key == "Exec")
            entry->Exec = value;
        else if (key == "TryExec")
            entry->TryExec = value;
        else if (key == "Icon")
            entry->Icon = value;
        else if (key == "Hidden")
            entry->Hidden = value == "true";
    }
    return entry;
}

std::vector<std::string> DesktopEntry::ExecWords(std::string_view exec)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
            ++i;
        if (i == exec.size())
            break;
        std::string word;
        if (exec[i] == '"') {
            for (++i; i < exec.size() && exec[i] != '"'; ++i) {
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                word += exec[i];
            }
            ++i; // the closing quote
        } else {
            for (; i < exec.size() && exec[i] != ' ' && exec[i] != '\t'; ++i)
                word += exec[i];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string DesktopEntry::ExecProgram(std::string_view exec)
{
    const std::vector<std::string> words = ExecWords(exec);
    if (words.empty())
        return {};
    if (!IsEnv(words.front()))
        return words.front();
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "-u" || word == "--unset" || word == "-C" || word == "--chdir")
            ++i; // takes the next word as its value
        else if (word.find('=') == std::string::npos && !word.starts_with('-'))
            return word;
    }
    return {};
}

} // namespace quorvane
