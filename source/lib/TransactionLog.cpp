#include "lib/TransactionLog.h"

#include "lib/AppPaths.h"
#include "lib/Clock.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Text.h"

namespace TransactionLog {
namespace {

// Each thread records its own lines: a run on the job runner's thread keeps only what it logged.
thread_local Recorder* innermostRecorder = nullptr;

}  // namespace

Recorder::Recorder()
    : m_outer(innermostRecorder)
{
    innermostRecorder = this;
}

Recorder::~Recorder()
{
    innermostRecorder = m_outer;
}

void append(const QString& eventText)
{
    const QString text = eventText.isEmpty()
                             ? QStringLiteral("Null")
                             : Text::replaceCharacters(eventText, QStringLiteral("\""), QStringLiteral("'"));
    const QString line = Clock::now().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QStringLiteral("  ") + text
                         + QStringLiteral("\r\n");
    for (Recorder* recorder = innermostRecorder; recorder; recorder = recorder->m_outer)
        recorder->m_lines << eventText;
    // A log that can't be written is told once; the events go on.
    const QString log = AppPaths::transactionLogPath();
    Errors::writeOwnFile(log, [&] { Files::appendToFile(log, line.toUtf8()); });
}

}  // namespace TransactionLog
