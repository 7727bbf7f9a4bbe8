#include "lib/libLog.h"

#include "lib/appSetup.h"
#include "lib/Clock.h"
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libStrings.h"

namespace libLog {
namespace {

Recorder* innermostRecorder = nullptr;

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

void LogEvent(const QString& eventText)
{
    const QString text = eventText.isEmpty()
                             ? QStringLiteral("Null")
                             : libStrings::StripBadChars(eventText, QStringLiteral("\""), QStringLiteral("'"));
    const QString line = Clock::Now().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QStringLiteral("  ") + text
                         + QStringLiteral("\r\n");
    for (Recorder* recorder = innermostRecorder; recorder; recorder = recorder->m_outer)
        recorder->m_lines << eventText;
    // A log that can't be written is told once; the events go on.
    const QString log = appSetup::TransactionLogPath();
    libErrorHandler::WriteOwnFile(log, [&] { libFiles::AppendToFile(log, line.toUtf8()); });
}

}  // namespace libLog
