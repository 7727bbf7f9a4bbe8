#include "lib/libStrings.h"

namespace libStrings {

QString StripBadChars(const QString& text, const QString& characterSet, const QString& replacement)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (characterSet.contains(c, Qt::CaseInsensitive))
            result += replacement;
        else
            result += c;
    }
    return result;
}

QString CleanedName(const QString& jobName)
{
    return StripBadChars(jobName, NameCharacterSet, QString());
}

}  // namespace libStrings

namespace libStrings {

QStringList SplitLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

bool HoldsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace libStrings
