#include "ListTexts.h"

#include <QFile>
#include <QHash>

namespace quorvane {

QString HexIdentifier(uint32_t value)
{
    // Written in place: one allocation, where number, upper case and padding made four.
    QString text(9, Qt::Uninitialized);
    QChar* digits = text.data();
    digits[0] = QLatin1Char('$');
    for (int i = 8; i >= 1; --i, value >>= 4)
        digits[i] = QLatin1Char("0123456789ABCDEF"[value & 0xF]);
    return text;
}

QString HexPointer(uint64_t value)
{
    return QLatin1Char('$')
        + QString::number(qulonglong(value), 16).toUpper().rightJustified(16, QLatin1Char('0'));
}

QString PriorityClassName(int32_t basePriority)
{
    switch (basePriority) {
    case 4:
        return QStringLiteral("Idle");
    case 8:
        return QStringLiteral("Normal");
    case 13:
        return QStringLiteral("High");
    case 24:
        return QStringLiteral("Real Time");
    default:
        return QStringLiteral("Unknown");
    }
}

QString ThreadPriorityName(int32_t delta)
{
    switch (delta) {
    case -15:
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
    case 15:
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

QString HeapStatusText(uint32_t flags)
{
    switch (flags) {
    case 1:
        return QStringLiteral("Default");
    case 2:
        return QStringLiteral("Shared");
    default:
        return QStringLiteral("Normal");
    }
}

std::string FileNamePart(const std::string& path)
{
    if (path.size() >= 2 && path.front() == '[' && path.back() == ']')
        return path;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QString LowerCaseAscii(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}

QString ProcessCaption(const QString& path)
{
    const bool bracketed
        = path.size() >= 2 && path.front() == QLatin1Char('[') && path.back() == QLatin1Char(']');
    const qsizetype start = bracketed ? 0 : path.lastIndexOf(QLatin1Char('/')) + 1;
    QString caption(path.size() - start, Qt::Uninitialized);
    QChar* out = caption.data();
    for (qsizetype i = start; i < path.size(); ++i) {
        const QChar c = path[i];
        *out++
            = c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() + ('a' - 'A')) : c;
    }
    return caption;
}

QString SystemText(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}

} // namespace quorvane
