#include "app/ListTexts.h"

#include <QFile>
#include <QHash>

namespace quorvane {

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
