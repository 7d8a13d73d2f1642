#include "dialogs/ValueTexts.h"

#include "platform/proc/Priority.h"

namespace quorvane {

namespace {
    // Written in place: one allocation, where number, upper case and padding made four.
    QString Hex(uint64_t value, int digits)
    {
        QString text(digits + 1, Qt::Uninitialized);
        QChar* out = text.data();
        out[0] = QLatin1Char('$');
        for (int i = digits; i >= 1; --i, value >>= 4)
            out[i] = QLatin1Char("0123456789ABCDEF"[value & 0xF]);
        return text;
    }
}

QString HexIdentifier(uint32_t value)
{
    return Hex(value, 8);
}

QString HexPointer(uint64_t value)
{
    return Hex(value, 16);
}

QString PriorityClassName(int32_t basePriority)
{
    switch (basePriority) {
    case kIdleBasePriority:
        return QStringLiteral("Idle");
    case kNormalBasePriority:
        return QStringLiteral("Normal");
    case kHighBasePriority:
        return QStringLiteral("High");
    case kRealTimeBasePriority:
        return QStringLiteral("Real Time");
    default:
        return QStringLiteral("Unknown");
    }
}

QString ThreadPriorityName(int32_t delta)
{
    switch (delta) {
    case kIdleThreadDelta:
        return QStringLiteral("Idle");
    case -2:
        return QStringLiteral("Lowest");
    case -1:
        return QStringLiteral("Below Normal");
    case 0:
        return QStringLiteral("Normal");
    case 1:
        return QStringLiteral("Above Normal");
    case 2:
        return QStringLiteral("Highest");
    case kTimeCriticalThreadDelta:
        return QStringLiteral("Time Critical");
    case 0x7FFFFFFF:
        return QStringLiteral("Error");
    default:
        return delta >= 0 ? QLatin1Char('+') + QString::number(delta) : QString::number(delta);
    }
}

QString ThreadPriorityText(int32_t basePriority, int32_t delta)
{
    return QString::number(basePriority) + (delta >= 0 ? QStringLiteral("+") : QString())
        + QString::number(delta) + QStringLiteral(" : ") + PriorityClassName(basePriority)
        + QStringLiteral(", ") + ThreadPriorityName(delta);
}

} // namespace quorvane
