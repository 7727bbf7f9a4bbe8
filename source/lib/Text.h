#pragma once
// Text helpers for names, log texts and the lines of the program's own files.

#include <QString>
#include <QStringList>

namespace Text {

// The characters removed from a job name to form its cleaned name (job file and archive).
inline const QString NameCharacters = QStringLiteral("\"' ;@#!$%^&*()");

// Replaces every character of `text` that occurs in `characterSet` (letter case ignored)
// by `replacement`, which may be empty or longer than one character.
QString replaceCharacters(const QString& text, const QString& characterSet, const QString& replacement);

// The job name with the name character set removed.
QString cleanedName(const QString& jobName);

// The lines of a text, each without its line end (CR LF or LF). A last piece without a line
// end is a line when it is not empty.
QStringList splitLines(const QString& text);

// Whether the text holds a line end (CR or LF): a name that a job file, one entry a line,
// can't keep.
bool holdsLineBreak(const QString& text);

}  // namespace Text
