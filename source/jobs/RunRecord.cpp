#include "jobs/RunRecord.h"

#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/TransactionLog.h"
#include "lib/Text.h"

#include <QFileInfo>
#include <array>

namespace {

const std::array<std::pair<RunRecord::Result, QLatin1String>, 7> ResultWords = {{
    {RunRecord::Result::None, QLatin1String("none")},
    {RunRecord::Result::Completed, QLatin1String("completed")},
    {RunRecord::Result::Failed, QLatin1String("failed")},
    {RunRecord::Result::Incomplete, QLatin1String("incomplete")},
    {RunRecord::Result::Stopped, QLatin1String("stopped")},
    {RunRecord::Result::CutOff, QLatin1String("cut off")},
    {RunRecord::Result::Waiting, QLatin1String("waiting")},
}};

QString momentText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toUTC().toString(Qt::ISODate) : QString();
}

QDateTime momentOf(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

}  // namespace

std::optional<RunRecord> RunRecord::read(const QString& path)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return std::nullopt;
    const ::Result<QByteArray> text = Files::readOwnFile(path);
    if (!text) {
        TransactionLog::append(QStringLiteral("The run record '%1' can't be read and is left out: %2").arg(path, text.reason()));
        return std::nullopt;
    }
    RunRecord record;
    for (const QString& line : Text::splitLines(QString::fromUtf8(*text))) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const QString value = line.section(QLatin1Char('='), 1);
        if (key == QLatin1String("due"))
            record.handledDue = momentOf(value);
        else if (key == QLatin1String("started"))
            record.started = momentOf(value);
        else if (key == QLatin1String("ended"))
            record.ended = momentOf(value);
        else if (key == QLatin1String("completed"))
            record.lastCompleted = momentOf(value);
        else if (key == QLatin1String("created"))
            record.created = momentOf(value);
        else if (key == QLatin1String("retried"))
            record.retriedDue = momentOf(value);
        else if (key == QLatin1String("notice"))
            record.overdueNoticeDay = QDate::fromString(value, Qt::ISODate);
        else if (key == QLatin1String("line"))
            record.logLines.append(value);
        else if (key == QLatin1String("archive"))
            record.archive = value;
        else if (key == QLatin1String("made"))
            record.history.madeInTarget.append(value);
        else if (key == QLatin1String("full"))
            record.history.fullArchives.append(value.toInt());
        else if (key == QLatin1String("archivestarted"))
            record.history.archiveStarted = momentOf(value);
        else if (key == QLatin1String("waiting"))
            record.waitingSince = momentOf(value);
        else if (key == QLatin1String("waitnotice"))
            record.waitNoticeDay = QDate::fromString(value, Qt::ISODate);
        else if (key == QLatin1String("target"))
            record.history.targetPath = value;
        else if (key == QLatin1String("targetsource"))
            record.history.targetFilesystem.source = value;
        else if (key == QLatin1String("targetmount"))
            record.history.targetFilesystem.mountPoint = value;
        else if (key == QLatin1String("targetuuid"))
            record.history.targetFilesystem.uuid = value;
        else if (key == QLatin1String("targetlabel"))
            record.history.targetFilesystem.label = value;
        else if (key == QLatin1String("result"))
            for (const auto& [result, word] : ResultWords)
                if (value == word)
                    record.result = result;
    }
    if (record.cutOff())
        record.result = Result::CutOff;
    // A record from before the made paths were kept, of a plain copy (it names the target
    // folder, not an archive) that completed: its copies in the target are its own.
    record.history.copiesMadeUntracked = record.history.madeInTarget.isEmpty() && record.lastCompleted.isValid()
                                         && !record.archive.isEmpty()
                                         && !record.archive.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
    return record;
}

void RunRecord::write(const QString& path) const
{
    QString text = QStringLiteral("due=%1\nstarted=%2\nended=%3\nresult=%4\narchive=%5\ncompleted=%6\n")
                       .arg(momentText(handledDue), momentText(started), momentText(ended), word(result), archive,
                            momentText(lastCompleted));
    text += QStringLiteral("created=%1\nretried=%2\nnotice=%3\n")
                .arg(momentText(created), momentText(retriedDue), overdueNoticeDay.toString(Qt::ISODate));
    if (history.archiveStarted.isValid())
        text += QStringLiteral("archivestarted=%1\n").arg(history.archiveStarted.toUTC().toString(Qt::ISODateWithMs));
    if (waitingSince.isValid())
        text += QStringLiteral("waiting=%1\n").arg(momentText(waitingSince));
    if (waitNoticeDay.isValid())
        text += QStringLiteral("waitnotice=%1\n").arg(waitNoticeDay.toString(Qt::ISODate));
    if (const Filesystems::Filesystem& target = history.targetFilesystem; target.isKnown())
        text += QStringLiteral("target=%1\ntargetsource=%2\ntargetmount=%3\ntargetuuid=%4\ntargetlabel=%5\n")
                    .arg(history.targetPath, target.source, target.mountPoint, target.uuid, target.label);
    for (int copy : history.fullArchives)
        text += QStringLiteral("full=%1\n").arg(copy);
    for (const QString& made : history.madeInTarget)
        text += QStringLiteral("made=%1\n").arg(made);
    // A line break inside a logged text would end its line early; it is kept as a blank.
    for (QString line : logLines)
        text += QStringLiteral("line=%1\n").arg(line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    Files::writeWhole(path, text.toUtf8());
}

QString RunRecord::word(Result result)
{
    for (const auto& [each, word] : ResultWords)
        if (each == result)
            return word;
    return {};
}

RunRecord::Result RunRecord::resultOf(BackupRun::Outcome run)
{
    switch (run) {
    case BackupRun::Outcome::Completed:
        return Result::Completed;
    case BackupRun::Outcome::Incomplete:
        return Result::Incomplete;
    case BackupRun::Outcome::Stopped:
        return Result::Stopped;
    case BackupRun::Outcome::Waiting:
        return Result::Waiting;
    case BackupRun::Outcome::Failed:
        break;
    }
    return Result::Failed;
}
