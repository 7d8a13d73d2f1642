#include "app/ProcessRowTexts.h"

#include "app/ListTexts.h"
#include "dialogs/ValueTexts.h"
#include "platform/proc/ExecutableType.h"

namespace quorvane {

namespace {
    // Counts past this are rare enough to be made each time.
    constexpr uint32_t SharedCounts = 4096;
}

QString ProcessRowTexts::Priority(int32_t basePriority)
{
    const auto [it, added] = FPriorities.try_emplace(basePriority);
    if (added)
        it->second = QString::number(basePriority) + QStringLiteral(" (")
            + PriorityClassName(basePriority) + QLatin1Char(')');
    return it->second;
}

QString ProcessRowTexts::Threads(uint32_t count)
{
    if (count >= SharedCounts)
        return QString::number(count);
    if (count >= FCounts.size())
        FCounts.resize(count + 1);
    QString& text = FCounts[count];
    if (text.isNull())
        text = QString::number(count);
    return text;
}

QString ProcessRowTexts::Type(uint32_t executableType)
{
    const auto [it, added] = FTypes.try_emplace(executableType);
    if (added)
        it->second = QString::fromStdString(ExecutableTypeText(executableType));
    return it->second;
}

} // namespace quorvane
