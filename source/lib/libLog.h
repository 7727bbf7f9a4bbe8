#pragma once
// The transaction log: one line per backup event, appended and never shortened.

#include <QString>

namespace libLog {

// Appends "mm/dd/yyyy hh:mm:ss", two blanks and the event text (double quotation marks
// turned into apostrophes, the empty text written as "Null") to the transaction log.
void LogEvent(const QString& eventText);

}  // namespace libLog
