#include "platform/hive/HiveParser.h"
#include "platform/hive/HiveText.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <string>

using namespace quorvane;

namespace {

// The value at HKEY_CURRENT_USER\path\name, or nullptr.
const HiveValue* Value(const HiveDocument& document, const HiveKeyPath& path, std::string_view name)
{
    const HiveNode* key = document.FindKey("HKEY_CURRENT_USER", path);
    return key ? key->FindValue(name) : nullptr;
}

std::string Text(const HiveDocument& document, const HiveKeyPath& path, std::string_view name)
{
    const HiveValue* value = Value(document, path, name);
    return value ? StringDataToUtf8(value->Data) : "<missing>";
}

// Strings that the quoted form cannot hold exactly, and a short dword, are written as hex.
const std::string kEveryKind
    = "Windows Registry Editor Version 5.00\n"
      "\n[HKEY_CURRENT_USER\\Software\\A]\n"
      "@=\"default\"\n"
      "\"text\"=\"q\\\"b\\\\\"\n"
      "\"number\"=dword:0000abcd\n"
      "\"expand\"=hex(2):25,00,58,00,25,00,00,00\n"
      "\"binary\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\n"
      "  15,16\n"
      "\"none\"=hex(0):\n"
      "\"odd type\"=hex(12345678):07\n"
      "\"crlf text\"=hex(1):0d,00,0a,00,00,00\n"
      "\"no nul\"=hex(1):41,00\n"
      "\"short dword\"=hex(4):01,02\n"
      "\n[HKEY_CURRENT_USER\\Software\\A\\B]\n"
      "\n[HKEY_LOCAL_MACHINE\\Elsewhere]\n";

} // namespace

TEST(HiveParser, readsEveryValueKindAndWritesEveryByteBack)
{
    const HiveDocument document = ParseHive(kEveryKind);
    EXPECT_FALSE(document.Damaged()) << document.Problems().front();
    EXPECT_EQ(Text(document, { "Software", "A" }, ""), "default");
    EXPECT_EQ(Text(document, { "Software", "A" }, "text"), "q\"b\\");
    EXPECT_EQ(Value(document, { "Software", "A" }, "number")->Data, std::string("\xcd\xab\0\0", 4));
    EXPECT_EQ(Text(document, { "Software", "A" }, "expand"), "%X%");
    EXPECT_EQ(SerializeHive(document), kEveryKind);
}

TEST(HiveParser, readsEveryEncodingAndLineEndOfRegistryExports)
{
    const std::string lf = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n"
                           "\"v\"=\"Grüße\"\n\"h\"=hex:01,\\\n  02,\\\n    03\n";
    const std::string crlf = QByteArray::fromStdString(lf).replace("\n", "\r\n").toStdString();
    // Bytes that are not UTF-8 in a file without a byte order mark are Latin-1, as old tools write.
    const std::string latin1
        = QByteArray::fromStdString(lf).replace("üß", "\xfc\xdf").toStdString();
    for (const std::string& file :
        { lf, crlf, latin1, "\xEF\xBB\xBF" + lf, "\xFF\xFE" + Utf8ToUtf16Le(crlf) }) {
        const HiveDocument document = ParseHive(file);
        EXPECT_FALSE(document.Damaged());
        EXPECT_EQ(Text(document, { "K" }, "v"), "Grüße");
        ASSERT_NE(Value(document, { "K" }, "h"), nullptr);
        EXPECT_EQ(Value(document, { "K" }, "h")->Data, "\x01\x02\x03");
    }
}

TEST(HiveParser, hostileLinesAreLeftOutAndTheRestIsRead)
{
    const std::pair<const char*, std::string> cases[] = {
        { "bad escape", "\"v\"=\"a\\nb\"" },
        { "unterminated text", "\"v\"=\"abc" },
        { "text after quote", "\"v\"=\"a\" b" },
        { "bad dword", "\"v\"=dword:123456789" },
        { "bad hex byte", "\"v\"=hex:01,0g" },
        { "three digits", "\"v\"=hex:01,002" },
        { "bad type", "\"v\"=hex(zz):01" },
        { "unknown data", "\"v\"=str:x" },
        { "no equals", "\"v\" \"x\"" },
        { "garbage", "garbage" },
        { "key deletion", "[-HKEY_CURRENT_USER\\K]" },
        { "open key", "[HKEY_CURRENT_USER\\K" },
        { "empty component", "[HKEY_CURRENT_USER\\\\K]" },
    };
    // Values under a key line that cannot be read are not put elsewhere.
    for (const auto& [what, line] : cases) {
        SCOPED_TRACE(what);
        const HiveDocument document
            = ParseHive("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n"
                        "\"before\"=\"1\"\n"
                + line + "\n\"under\"=\"3\"\n[HKEY_CURRENT_USER\\K]\n\"after\"=\"2\"\n");
        EXPECT_TRUE(document.Damaged());
        EXPECT_EQ(Text(document, { "K" }, "before"), "1");
        EXPECT_EQ(Text(document, { "K" }, "after"), "2");
        EXPECT_EQ(Value(document, { "K" }, "v"), nullptr);
        EXPECT_EQ(Value(document, { "K" }, "under") != nullptr, line[0] != '[');
    }
}

TEST(HiveParser, keyDepthAndNameLengthStayWithinTheRegistryLimits)
{
    auto keyLine = [](size_t depth, size_t nameLength) {
        std::string line = "[HKEY_CURRENT_USER";
        for (size_t i = 0; i < depth; ++i)
            line += "\\" + std::string(nameLength, 'k');
        return "Windows Registry Editor Version 5.00\n" + line + "]\n\"v\"=\"x\"\n";
    };
    EXPECT_TRUE(ParseHive(keyLine(kHiveMaxKeyDepth + 1, 1)).Damaged());
    EXPECT_TRUE(ParseHive(keyLine(2, kHiveMaxKeyNameLength + 1)).Damaged());
}

TEST(HiveParser, hugeLinesDoNotStopTheReadNorDoesHexCutByTheEnd)
{
    std::string file = "Windows Registry Editor Version 5.00\n[HKCU\\K]\n\"a\"=\"1\"\n";
    file += "\"huge\"=\"" + std::string(1 << 20, 'x') + "\"\n";
    file += "\"hugehex\"=hex:" + std::string(1 << 18, '0') + "\n";
    file += "\"b\"=\"2\"\n\"cut\"=hex:01,\\";
    const HiveDocument document = ParseHive(file);
    EXPECT_TRUE(document.Damaged());
    EXPECT_EQ(Text(document, { "K" }, "a"), "1");
    EXPECT_EQ(Text(document, { "K" }, "b"), "2");
    EXPECT_EQ(Text(document, { "K" }, "huge").size(), size_t(1 << 20));
    EXPECT_EQ(Value(document, { "K" }, "cut"), nullptr);
    // A lone surrogate in a UTF-16 file would be lost on a rewrite: the file counts as damaged.
    const std::string loneSurrogate = "\xFF\xFE"
        + Utf8ToUtf16Le("Windows Registry Editor Version 5.00\n") + std::string("\x00\xD8", 2);
    EXPECT_TRUE(ParseHive(loneSurrogate).Damaged());
}
