#include "settings/TRegIniFile.h"

#include "platform/text/Int32Text.h"
#include "platform/text/TextFields.h"

#include <cstdint>
#include <limits>

namespace quorvane {

namespace {

    std::string Utf8(const QString& text)
    {
        return text.toStdString();
    }

    // String value data: the text in UTF-16LE with a terminating NUL.
    std::string StringData(const QString& text)
    {
        std::string data;
        data.reserve(static_cast<size_t>(text.size()) * 2 + 2);
        for (const QChar c : text) {
            data += static_cast<char>(c.unicode() & 0xFF);
            data += static_cast<char>(c.unicode() >> 8);
        }
        data.append(2, '\0');
        return data;
    }

    // The text of string data, which ends at its first NUL character.
    QString TextOf(const std::string& data)
    {
        QString text;
        text.reserve(static_cast<qsizetype>(data.size() / 2));
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(data[i])
                | (static_cast<unsigned char>(data[i + 1]) << 8));
            if (unit == 0)
                break;
            text += QChar(unit);
        }
        return text;
    }

    // Stored number text: a leading "0x" of a text longer than two counts as "$"; then blanks,
    // then "$" and hexadecimal digits, or an optionally signed decimal from -2147483647 to
    // 2147483647 (not -2147483648), and nothing after the digits.
    std::optional<int> ParseNumber(const QString& stored)
    {
        // Non-ASCII characters become bytes that no part of the grammar takes.
        const QByteArray bytes = stored.toLatin1();
        std::string text(bytes.constData(), size_t(bytes.size()));
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
            text.replace(0, 2, "$");
        const std::string_view number = TrimFront(text);
        if (const std::optional<int32_t> bits = ScanDollarHex32(number))
            return *bits;
        const std::optional<int64_t> value = ScanSignedDecimal32(number);
        if (!value || *value < -INT32_MAX || *value > INT32_MAX)
            return std::nullopt;
        return int(*value);
    }

} // namespace

TRegIniFile::TRegIniFile(const QString& keyPath)
    : FFileName(keyPath)
{
    const HiveKey root = HiveKey::OpenRoot(FRootKey);
    FCurrentKey = keyPath.isEmpty() ? root.OpenSubKey({}) : root.CreateSubKey(Utf8(keyPath));
}

void TRegIniFile::SelectRoot(HiveRoot root)
{
    FCurrentKey.reset();
    FRootKey = root;
}

bool TRegIniFile::OpenPath(const QString& keyPath, bool createIfMissing)
{
    const HiveKey parent = FCurrentKey ? *FCurrentKey : HiveKey::OpenRoot(FRootKey);
    std::optional<HiveKey> opened = (createIfMissing && !keyPath.isEmpty())
        ? parent.CreateSubKey(Utf8(keyPath))
        : parent.OpenSubKey(Utf8(keyPath));
    if (!opened)
        return false;
    FCurrentKey = std::move(opened);
    return true;
}

QString TRegIniFile::CurrentPath() const
{
    return FCurrentKey ? QString::fromStdString(FCurrentKey->Path()) : QString();
}

std::optional<QString> TRegIniFile::ReadStored(const QString& Section, const QString& Name) const
{
    // Without a current key nothing is read, so nothing outside the key path is reached.
    if (!FCurrentKey)
        return std::nullopt;
    const std::optional<HiveKey> section = FCurrentKey->OpenSubKey(Utf8(Section));
    if (!section)
        return std::nullopt;
    HiveValue value;
    const HiveResult queried = section->QueryValue(Utf8(Name), value);
    if (queried == HiveResult::hsNotFound)
        return std::nullopt;
    if (queried != HiveResult::hsOk)
        throw ERegistryException::GetDataFailed(Name);
    if (value.Data.empty())
        return QString();
    if (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ)
        throw ERegistryException::InvalidDataType(Name);
    // An expandable string is taken as stored: nothing is expanded.
    return TextOf(value.Data);
}

void TRegIniFile::WriteStored(
    const QString& Section, const QString& Name, const QString& Value) const
{
    if (!FCurrentKey || !FCurrentKey->CreateSubKey(Utf8(Section)))
        throw ERegistryException::CreateKeyFailed(Section);
    const std::optional<HiveKey> section = FCurrentKey->OpenSubKey(Utf8(Section));
    if (!section)
        return;
    if (section->SetValue(Utf8(Name), REG_SZ, StringData(Value)) != HiveResult::hsOk)
        throw ERegistryException::SetDataFailed(Name);
}

QString TRegIniFile::ReadText(
    const QString& Section, const QString& Name, const QString& Default) const
{
    return ReadStored(Section, Name).value_or(Default);
}

int TRegIniFile::ReadNumber(const QString& Section, const QString& Name, int Default) const
{
    const std::optional<QString> text = ReadStored(Section, Name);
    return text ? ParseNumber(*text).value_or(Default) : Default;
}

bool TRegIniFile::ReadFlag(const QString& Section, const QString& Name, bool Default) const
{
    return ReadNumber(Section, Name, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteText(const QString& Section, const QString& Name, const QString& Value) const
{
    WriteStored(Section, Name, Value);
}

void TRegIniFile::WriteNumber(const QString& Section, const QString& Name, int Value) const
{
    // A number read takes decimals down to -2147483647 only: the lowest value goes as its bit
    // pattern, so that whatever is written reads back.
    WriteStored(Section, Name,
        Value == std::numeric_limits<int>::min() ? QStringLiteral("$80000000")
                                                 : QString::number(Value));
}

void TRegIniFile::WriteFlag(const QString& Section, const QString& Name, bool Value) const
{
    WriteStored(Section, Name, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace quorvane
