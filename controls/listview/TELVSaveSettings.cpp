#include "controls/listview/TELVSaveSettings.h"

#include "controls/listview/SortText.h"
#include "settings/TRegIniFile.h"

namespace quorvane {

namespace {
    const QString columnsSection = QStringLiteral("Columns");
}

QString TELVSaveSettings::JoinEntries(std::span<const int> values)
{
    QString text;
    for (int value : values) {
        text += QString::number(value);
        text += QLatin1Char(',');
    }
    text.chop(1);
    return text;
}

int TELVSaveSettings::SplitEntries(const QString& text, std::span<int> values)
{
    QStringView rest(text);
    int count = 0;
    for (int& value : values) {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        const QStringView entry = comma < 0 ? rest : rest.left(comma);
        qint32 number = 0;
        value = TextToInt32(entry, number) ? number : 0;
        ++count;
        rest = comma < 0 ? QStringView() : rest.mid(comma + 1);
        if (rest.isEmpty())
            break;
    }
    return count;
}

void TELVSaveSettings::write(const QString& name, std::span<const int> values) const
{
    if (values.empty())
        return;
    const QString text = JoinEntries(values);
    TRegIniFile store(FRegistryKey);
    store.WriteText(columnsSection, name, text);
}

QString TELVSaveSettings::read(const QString& name) const
{
    TRegIniFile store(FRegistryKey);
    return store.ReadText(columnsSection, name, QString());
}

void TELVSaveSettings::WriteColumnOrder(std::span<const int> values) const
{
    write(QStringLiteral("Order"), values);
}

void TELVSaveSettings::WriteColumnSizes(std::span<const int> values) const
{
    write(QStringLiteral("Sizes"), values);
}

int TELVSaveSettings::ReadColumnOrder(std::span<int> values) const
{
    if (values.empty())
        return 0;
    const QString text = read(QStringLiteral("Order"));
    if (text.isEmpty()) {
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = int(i);
        return 0;
    }
    return SplitEntries(text, values);
}

int TELVSaveSettings::ReadColumnSizes(std::span<int> values) const
{
    if (values.empty())
        return 0;
    const QString text = read(QStringLiteral("Sizes"));
    if (text.isEmpty()) {
        values[0] = -1;
        return 0;
    }
    return SplitEntries(text, values);
}

} // namespace quorvane
