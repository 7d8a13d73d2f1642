#include "platform/hive/HiveParser.h"

#include "platform/hive/HiveText.h"
#include "platform/text/TextFields.h"
#include "platform/text/WholeNumber.h"

#include <array>
#include <optional>

namespace quorvane {

namespace {

    constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
    constexpr std::string_view kHeader4 = "REGEDIT4";

    bool IsBlank(char c)
    {
        return c == ' ' || c == '\t';
    }

    // Parses 1 to maxDigits hexadecimal digits making up the whole of text.
    std::optional<uint32_t> ParseHexDigits(std::string_view text, size_t maxDigits)
    {
        if (text.size() > maxDigits)
            return std::nullopt;
        return ParseHex<uint32_t>(text);
    }

    bool StartsWithNoCase(std::string_view text, std::string_view prefix)
    {
        return text.size() >= prefix.size()
            && AsciiEqualNoCase(text.substr(0, prefix.size()), prefix);
    }

    std::string CanonicalRoot(std::string_view name)
    {
        static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kShort { {
            { "HKCU", "HKEY_CURRENT_USER" },
            { "HKLM", "HKEY_LOCAL_MACHINE" },
            { "HKCR", "HKEY_CLASSES_ROOT" },
            { "HKU", "HKEY_USERS" },
            { "HKCC", "HKEY_CURRENT_CONFIG" },
        } };
        for (const auto& [abbreviation, full] : kShort) {
            if (AsciiEqualNoCase(name, abbreviation) || AsciiEqualNoCase(name, full))
                return std::string(full);
        }
        return std::string(name);
    }

    // Walks the text line by line; a line is what lies between LFs, less a final CR. A text that
    // ends in LF has an empty last line.
    class LineReader {
    public:
        explicit LineReader(std::string_view text)
            : FRest(text)
        {
        }
        bool Next(std::string_view& line)
        {
            if (FDone)
                return false;
            FDone = FRest.find('\n') == std::string_view::npos;
            line = TakeTextLine(FRest);
            ++FNumber;
            return true;
        }
        size_t Number() const { return FNumber; }

    private:
        std::string_view FRest;
        bool FDone = false;
        size_t FNumber = 0;
    };

    class Parser {
    public:
        explicit Parser(std::string_view text)
            : FLines(text)
        {
        }

        HiveDocument Run()
        {
            std::string_view line;
            bool headerSeen = false;
            while (FLines.Next(line)) {
                const std::string_view trimmed = Trim(line);
                if (!headerSeen) {
                    if (trimmed.empty())
                        continue;
                    headerSeen = true;
                    if (trimmed == kHeader5)
                        continue;
                    if (trimmed == kHeader4) {
                        FVersion4 = true;
                        continue;
                    }
                    Problem("no registry export header");
                }
                ParseLine(trimmed);
            }
            return std::move(FDocument);
        }

    private:
        void Problem(std::string_view what) { FDocument.NoteProblem(FLines.Number(), what); }

        void ParseLine(std::string_view line)
        {
            if (line.empty() || line.front() == ';')
                return;
            if (line.front() == '[')
                ParseKeyLine(line);
            else if (line.front() == '"' || line.front() == '@')
                ParseValueLine(line);
            else
                Problem("not a key or value line");
        }

        void ParseKeyLine(std::string_view line)
        {
            FKey = nullptr;
            if (line.size() < 2 || line.back() != ']') {
                Problem("key line without closing bracket");
                return;
            }
            const std::string_view inner = line.substr(1, line.size() - 2);
            if (!inner.empty() && inner.front() == '-') {
                Problem("key deletion is not kept in a hive");
                return;
            }
            // The root is split off first so that a key has as many levels below it here as
            // the store lets a program make.
            const size_t separator = inner.find('\\');
            const std::string_view rootName = inner.substr(0, separator);
            const std::string_view below = separator == std::string_view::npos
                ? std::string_view()
                : inner.substr(separator + 1);
            HiveKeyPath rootCheck;
            HiveKeyPath components;
            if (rootName.empty() || rootName.size() > kHiveMaxKeyNameLength
                || (separator != std::string_view::npos && below.empty())
                || (!below.empty() && (below.front() == '\\' || below.back() == '\\'))
                || !HiveDocument::SplitPath(rootName, rootCheck)
                || !HiveDocument::SplitPath(below, components)) {
                Problem("bad key path");
                return;
            }
            HiveNode* node = &FDocument.Top().Child(CanonicalRoot(rootName));
            for (const std::string& name : components)
                node = &node->Child(name);
            node->SetListed(true);
            FKey = node;
        }

        // Reads a quoted string starting at text[position] == '"'; on success position is just
        // past the closing quote.
        bool ParseQuoted(std::string_view text, size_t& position, std::string& out)
        {
            out.clear();
            for (size_t i = position + 1; i < text.size(); ++i) {
                const char c = text[i];
                if (c == '"') {
                    position = i + 1;
                    return true;
                }
                if (c == '\\') {
                    if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) {
                        Problem("bad escape in quoted text");
                        return false;
                    }
                    ++i;
                }
                out += text[i];
            }
            Problem("quoted text without closing quote");
            return false;
        }

        void ParseValueLine(std::string_view line)
        {
            HiveValue value;
            size_t position = 0;
            if (line.front() == '@') {
                position = 1;
            } else if (!ParseQuoted(line, position, value.Name)) {
                return;
            }
            while (position < line.size() && IsBlank(line[position]))
                ++position;
            if (position >= line.size() || line[position] != '=') {
                Problem("value line without '='");
                return;
            }
            const std::string_view data = Trim(line.substr(position + 1));
            if (!ParseData(data, value))
                return;
            if (!FKey) {
                Problem("value outside a readable key");
                return;
            }
            FKey->SetValue(std::move(value));
        }

        bool ParseData(std::string_view data, HiveValue& value)
        {
            if (!data.empty() && data.front() == '"') {
                size_t position = 0;
                std::string text;
                if (!ParseQuoted(data, position, text))
                    return false;
                if (position != data.size()) {
                    Problem("text after the closing quote");
                    return false;
                }
                value.Type = REG_SZ;
                value.Data = Utf8ToStringData(text);
                return true;
            }
            if (StartsWithNoCase(data, "dword:")) {
                const auto number = ParseHexDigits(data.substr(6), 8);
                if (!number) {
                    Problem("bad dword");
                    return false;
                }
                value.Type = REG_DWORD;
                value.Data.clear();
                for (int shift = 0; shift < 32; shift += 8)
                    value.Data += static_cast<char>((*number >> shift) & 0xFF);
                return true;
            }
            if (StartsWithNoCase(data, "hex"))
                return ParseHexData(data.substr(3), value);
            if (data == "-")
                Problem("value deletion is not kept in a hive");
            else
                Problem("unknown value data");
            return false;
        }

        // data is what follows "hex": an optional "(type)", a colon, and comma-separated bytes that
        // may go on over lines ending in a backslash.
        bool ParseHexData(std::string_view data, HiveValue& value)
        {
            value.Type = REG_BINARY;
            if (!data.empty() && data.front() == '(') {
                const size_t close = data.find(')');
                const auto type = close == std::string_view::npos
                    ? std::nullopt
                    : ParseHexDigits(data.substr(1, close - 1), 8);
                if (!type) {
                    Problem("bad hex type");
                    SkipContinuation(data);
                    return false;
                }
                value.Type = *type;
                data.remove_prefix(close + 1);
            }
            if (data.empty() || data.front() != ':') {
                Problem("hex data without ':'");
                SkipContinuation(data);
                return false;
            }
            data.remove_prefix(1);
            std::string bytes;
            bool good = AppendBytes(data, bytes);
            while (EndsContinued(data)) {
                std::string_view next;
                if (!FLines.Next(next)) {
                    Problem("hex data continued past the end of the file");
                    return false;
                }
                data = Trim(next);
                good = AppendBytes(data, bytes) && good;
            }
            if (!good) {
                Problem("bad hex byte");
                return false;
            }
            value.Data = FVersion4 ? WidenVersion4(value.Type, bytes) : std::move(bytes);
            return true;
        }

        static bool EndsContinued(std::string_view data)
        {
            return !data.empty() && data.back() == '\\';
        }

        void SkipContinuation(std::string_view data)
        {
            std::string_view next;
            while (EndsContinued(data) && FLines.Next(next))
                data = Trim(next);
        }

        // Appends the bytes of one line of hex data ("00,ff, 1a,\"). A comma may end the line.
        static bool AppendBytes(std::string_view data, std::string& bytes)
        {
            if (EndsContinued(data))
                data.remove_suffix(1);
            data = Trim(data);
            if (data.empty())
                return true;
            if (data.back() == ',')
                data.remove_suffix(1);
            while (true) {
                const bool last = data.find(',') == std::string_view::npos;
                const auto byte = ParseHexDigits(Trim(TakeField(data, ',')), 2);
                if (!byte)
                    return false;
                bytes += static_cast<char>(*byte);
                if (last)
                    return true;
            }
        }

        // REGEDIT4 files hold the string kinds as 8-bit text; the registry holds UTF-16.
        static std::string WidenVersion4(uint32_t type, const std::string& bytes)
        {
            if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
                return bytes;
            std::string wide;
            wide.reserve(bytes.size() * 2);
            for (char c : bytes) {
                wide += c;
                wide += '\0';
            }
            return wide;
        }

        LineReader FLines;
        HiveDocument FDocument;
        HiveNode* FKey = nullptr;
        bool FVersion4 = false;
    };

    // Whether string data is a plain text with its terminator, which the quoted form holds
    // exactly; anything else is written as hex so that no byte changes.
    bool QuotedFormHolds(const std::string& data, std::string& text)
    {
        if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0
            || data[data.size() - 2] != 0)
            return false;
        bool lossy = false;
        text = Utf16LeToUtf8(std::string_view(data).substr(0, data.size() - 2), &lossy);
        if (lossy)
            return false;
        for (char c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return false;
        }
        return Utf8ToStringData(text) == data;
    }

    void AppendQuoted(std::string& out, std::string_view text)
    {
        out += '"';
        for (char c : text) {
            if (c == '\\' || c == '"')
                out += '\\';
            out += c;
        }
        out += '"';
    }

    void AppendHex(std::string& out, const HiveValue& value, size_t column)
    {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string prefix = "hex";
        if (value.Type != REG_BINARY) {
            prefix += '(';
            bool leading = true;
            for (int shift = 28; shift >= 0; shift -= 4) {
                const unsigned digit = (value.Type >> shift) & 0xF;
                if (digit == 0 && leading && shift != 0)
                    continue;
                leading = false;
                prefix += kDigits[digit];
            }
            prefix += ')';
        }
        prefix += ':';
        out += prefix;
        column += prefix.size();
        // Lines are wrapped as registry editors write them, under 80 columns.
        for (size_t i = 0; i < value.Data.size(); ++i) {
            const auto byte = static_cast<unsigned char>(value.Data[i]);
            if (column + 3 > 78) {
                out += "\\\n  ";
                column = 2;
            }
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
            column += 2;
            if (i + 1 < value.Data.size()) {
                out += ',';
                ++column;
            }
        }
    }

    void AppendValue(std::string& out, const HiveValue& value)
    {
        const size_t lineStart = out.size();
        if (value.Name.empty())
            out += '@';
        else
            AppendQuoted(out, value.Name);
        out += '=';
        std::string text;
        if (value.Type == REG_SZ && QuotedFormHolds(value.Data, text)) {
            AppendQuoted(out, text);
        } else if (value.Type == REG_DWORD && value.Data.size() == 4) {
            static constexpr char kDigits[] = "0123456789abcdef";
            out += "dword:";
            for (int i = 3; i >= 0; --i) {
                const auto byte = static_cast<unsigned char>(value.Data[static_cast<size_t>(i)]);
                out += kDigits[byte >> 4];
                out += kDigits[byte & 0xF];
            }
        } else {
            AppendHex(out, value, out.size() - lineStart);
        }
        out += '\n';
    }

} // namespace

HiveDocument ParseHive(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        bool lossy = false;
        const std::string text = Utf16LeToUtf8(bytes.substr(2), &lossy);
        HiveDocument document = Parser(text).Run();
        if (lossy)
            document.NoteProblem(0, "bad UTF-16");
        return document;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (IsValidUtf8(bytes))
        return Parser(bytes).Run();
    const std::string text = RepairUtf8(bytes);
    return Parser(text).Run();
}

std::string SerializeHive(const HiveDocument& document)
{
    std::string out(kHeader5);
    out += '\n';
    // Depth-first, children in their order, without recursion: paths may be deep.
    struct Pending {
        const HiveNode* Node;
        std::string Path;
    };
    std::vector<Pending> stack;
    const auto& roots = document.Top().Children();
    for (auto root = roots.rbegin(); root != roots.rend(); ++root)
        stack.push_back({ root->get(), (*root)->Name() });
    while (!stack.empty()) {
        Pending current = std::move(stack.back());
        stack.pop_back();
        if (current.Node->Listed() || !current.Node->Values().empty()) {
            out += "\n[";
            out += current.Path;
            out += "]\n";
            for (const HiveValue& value : current.Node->Values())
                AppendValue(out, value);
        }
        const auto& children = current.Node->Children();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            stack.push_back({ child->get(), current.Path + '\\' + (*child)->Name() });
    }
    return out;
}

} // namespace quorvane
