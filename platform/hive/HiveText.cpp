#include "platform/hive/HiveText.h"

namespace quorvane {

namespace {

    // Length of the valid UTF-8 sequence at text[i], or 0 when the bytes there are not one.
    size_t ValidSequenceAt(std::string_view text, size_t i, char32_t& out)
    {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        char32_t value = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out = lead;
            return 1;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
            minimum = 0x10000;
        } else {
            return 0;
        }
        if (i + length > text.size())
            return 0;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return 0;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return 0;
        out = value;
        return length;
    }

    void AppendUtf8(std::string& out, char32_t c)
    {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

} // namespace

bool IsValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t c = 0;
        const size_t length = ValidSequenceAt(text, i, c);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string RepairUtf8(std::string_view text)
{
    // Most files are plain ASCII or valid UTF-8: copy runs and only re-encode stray bytes.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const size_t length = ValidSequenceAt(text, i, c);
        if (length == 0) {
            AppendUtf8(out, static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string Utf16LeToUtf8(std::string_view bytes, bool* lossy)
{
    std::string out;
    out.reserve(bytes.size() / 2);
    const size_t units = bytes.size() / 2;
    auto unitAt = [&](size_t k) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k])
            | (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    bool lost = (bytes.size() % 2) != 0;
    for (size_t k = 0; k < units; ++k) {
        const char16_t unit = unitAt(k);
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units) {
            const char16_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
            lost = true;
            continue;
        }
        AppendUtf8(out, unit);
    }
    if (lossy)
        *lossy = lost;
    return out;
}

namespace {

    // Appends text as UTF-16LE. Every input byte gives at most two output bytes, so the output is
    // sized once and written in place.
    void AppendUtf16Le(std::string& out, std::string_view text)
    {
        const size_t start = out.size();
        out.resize(start + text.size() * 2);
        char* put = out.data() + start;
        for (size_t i = 0; i < text.size();) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte < 0x80) {
                *put++ = static_cast<char>(byte);
                *put++ = 0;
                ++i;
                continue;
            }
            char32_t c = 0;
            const size_t length = ValidSequenceAt(text, i, c);
            if (length == 0) {
                c = byte;
                i += 1;
            } else {
                i += length;
            }
            auto unit = [&put](char32_t u) {
                *put++ = static_cast<char>(u & 0xFF);
                *put++ = static_cast<char>((u >> 8) & 0xFF);
            };
            if (c >= 0x10000) {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unit(c);
            }
        }
        out.resize(static_cast<size_t>(put - out.data()));
    }

} // namespace

std::string Utf8ToUtf16Le(std::string_view text)
{
    std::string out;
    AppendUtf16Le(out, text);
    return out;
}

std::string StringDataToUtf8(std::string_view data)
{
    size_t end = 0;
    while (end + 1 < data.size() && (data[end] != 0 || data[end + 1] != 0))
        end += 2;
    return Utf16LeToUtf8(data.substr(0, end));
}

std::string Utf8ToStringData(std::string_view text)
{
    std::string data;
    data.reserve(text.size() * 2 + 2);
    AppendUtf16Le(data, text);
    data.append(2, '\0');
    return data;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace quorvane
