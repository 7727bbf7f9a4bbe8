#include "lib/Preferences.h"

#include "lib/AppPaths.h"
#include "lib/Autostart.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Text.h"
#include "lib/TransactionLog.h"

#include <QFileInfo>

#include <optional>

namespace Preferences {

qint16 maxBackupCopies = 0;
bool stopOnError = false;
bool runMissedBackups = false;

namespace {

// A preference line as a 16-bit number: blanks trimmed, empty gives `fallback`, anything
// that is not a whole number in range gives nothing.
std::optional<qint16> preferenceNumber(const QString& line, qint16 fallback)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return fallback;
    bool ok = false;
    const qint16 value = trimmed.toShort(&ok);
    return ok ? std::optional<qint16>(value) : std::nullopt;
}

// A number as it is printed to a text file: a blank in place of a plus sign, a trailing blank.
QByteArray printedNumber(int value)
{
    return (value < 0 ? QByteArray() : QByteArray(" ")) + QByteArray::number(value) + ' ';
}

}  // namespace

void applyStartAtLoginDefault()
{
    if (AppPaths::appFolderWritable() || QFileInfo::exists(AppPaths::preferencesPath()))
        return;
    // An entry that can't be written is reported; the agent still runs.
    if (const Result<> written = Autostart::setStartAtLogin(true, AppPaths::programPath()); !written)
        Errors::report(false, {Errors::ErrPathFileAccess, QStringLiteral("Arkwell"), written.reason()},
                       QStringLiteral("Preferences"), QStringLiteral("applyStartAtLoginDefault()"));
}

void load()
{
    maxBackupCopies = DefaultMaxBackupCopies;
    stopOnError = DefaultStopOnError;
    runMissedBackups = DefaultRunMissedBackups;
    const QString path = AppPaths::preferencesPath();
    if (!QFileInfo::exists(path))
        return;
    const Result<QByteArray> text = Files::readOwnFile(path);
    if (!text) {
        TransactionLog::append(QStringLiteral("The preferences can't be read and the defaults hold: ") + text.reason());
        return;
    }
    const QStringList lines = Text::splitLines(QString::fromUtf8(*text));
    if (lines.size() < 2)
        return;  // damaged: the defaults stand, and the next save writes a sound file
    const auto copies = preferenceNumber(lines[0], DefaultMaxBackupCopies);
    const auto stop = preferenceNumber(lines[1], -1);
    // The third line came later: a file without it runs missed backups.
    const auto missed = lines.size() > 2 ? preferenceNumber(lines[2], -1) : std::optional<qint16>(-1);
    if (!copies || !stop || !missed)
        return;
    maxBackupCopies = *copies >= 1 && *copies <= 99 ? *copies : DefaultMaxBackupCopies;  // 0 would keep no copy
    stopOnError = *stop != 0;
    runMissedBackups = *missed != 0;
}

void save()
{
    const QByteArray text = printedNumber(maxBackupCopies) + "\r\n" + printedNumber(stopOnError ? -1 : 0) + "\r\n"
                            + printedNumber(runMissedBackups ? -1 : 0) + "\r\n";
    const QString path = AppPaths::preferencesPath();
    Errors::writeOwnFile(path, [&] { Files::writeWhole(path, text); });
}

}  // namespace Preferences
