#include "lib/Text.h"

namespace Text {

QString replaceCharacters(const QString& text, const QString& characterSet, const QString& replacement)
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

QString cleanedName(const QString& jobName)
{
    return replaceCharacters(jobName, NameCharacters, QString());
}

}  // namespace Text

namespace Text {

QStringList splitLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace Text
