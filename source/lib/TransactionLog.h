#pragma once
// The transaction log: one line per backup event, appended and never shortened.

#include <QString>
#include <QStringList>

namespace TransactionLog {

// Appends "mm/dd/yyyy hh:mm:ss", two blanks and the event text (double quotation marks
// turned into apostrophes, the empty text written as "Null") to the transaction log.
void append(const QString& eventText);

// Keeps the event texts logged while it lives (those of one run, say), as they were given.
// Recorders may nest; each keeps what was logged in its own lifetime.
class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    const QStringList& lines() const { return m_lines; }

private:
    friend void append(const QString& eventText);
    QStringList m_lines;
    Recorder* m_outer;
};

}  // namespace TransactionLog
