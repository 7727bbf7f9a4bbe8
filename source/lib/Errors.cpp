#include "lib/Errors.h"

#include "lib/AppPaths.h"
#include "lib/Clock.h"
#include "lib/Desktop.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/Text.h"

#include <QHash>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Errors {
namespace {

FatalEndHandler& fatalEndHandler()
{
    static FatalEndHandler handler;
    return handler;
}

qint32 numberForErrno(int err)
{
    switch (err) {
    case ENOENT: return ErrFileNotFound;
    case ENOTDIR: return ErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrDiskFull;
    case EIO: return ErrDeviceIO;
    case EEXIST:
    case ENOTEMPTY: return ErrFileExists;
    case ENAMETOOLONG:
    case EINVAL: return ErrBadFileName;
    default: return ErrPathFileAccess;
    }
}

OwnFileListener& ownFileListener()
{
    static OwnFileListener listener;
    return listener;
}

// The folders whose writing failures have been told, with the failures' numbers.
QHash<QString, QSet<qint32>>& toldFolders()
{
    static QHash<QString, QSet<qint32>> told;
    return told;
}

// A printed number: a blank in place of a plus sign, then the number and one blank.
QString printedNumber(qint32 value)
{
    return (value < 0 ? QString() : QStringLiteral(" ")) + QString::number(value) + QLatin1Char(' ');
}

}  // namespace

AppError::AppError(ErrorInfo info)
    : m_info(std::move(info)), m_what(m_info.description.toLocal8Bit())
{
}

QString errorText(qint32 number)
{
    switch (number) {
    case ErrOverflow: return QStringLiteral("Overflow");
    case ErrTypeMismatch: return QStringLiteral("Type mismatch");
    case ErrBadFileName: return QStringLiteral("Bad file name or number");
    case ErrFileNotFound: return QStringLiteral("File not found");
    case ErrDeviceIO: return QStringLiteral("Device I/O error");
    case ErrFileExists: return QStringLiteral("File already exists");
    case ErrDiskFull: return QStringLiteral("Disk full");
    case ErrInputPastEnd: return QStringLiteral("Input past end of file");
    case ErrPermissionDenied: return QStringLiteral("Permission denied");
    case ErrPathFileAccess: return QStringLiteral("Path/File access error");
    case ErrPathNotFound: return QStringLiteral("Path not found");
    case ErrOperationFailed: return QStringLiteral("Operation Failed");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

ErrorInfo fromErrno(int err, const QString& path)
{
    ErrorInfo info;
    info.number = numberForErrno(err);
    // A missing file whose folder is missing too is a missing path.
    if (info.number == ErrFileNotFound && !path.isEmpty() && !Files::folderExists(Files::folderPart(path)))
        info.number = ErrPathNotFound;
    info.description = errorText(info.number) + QStringLiteral(": '") + path + QStringLiteral("' (")
                       + QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char(')');
    info.osError = err;
    return info;
}

ErrorInfo fromFileError(QFileDevice::FileError error, const QString& path, int err)
{
    if (err == 0) {
        switch (error) {
        case QFileDevice::OpenError: err = ENOENT; break;
        case QFileDevice::PermissionsError: err = EACCES; break;
        case QFileDevice::ResourceError: err = ENOSPC; break;
        default: err = EIO; break;
        }
    }
    return fromErrno(err, path);
}

void throwError(qint32 number, const QString& description)
{
    ErrorInfo info;
    info.number = number;
    info.description = description;
    info.osError = errno;
    throw AppError(info);
}

void throwErrno(int err, const QString& path)
{
    throw AppError(fromErrno(err, path));
}

void throwFileError(const QFileDevice& file)
{
    throw AppError(fromFileError(file.error(), file.fileName(), errno));
}

void setFatalEndHandler(FatalEndHandler handler)
{
    fatalEndHandler() = std::move(handler);
}

void tellOwnFileFailure(const QString& path, const ErrorInfo& info)
{
    const QString folder = Files::folderPart(path);
    QSet<qint32>& told = toldFolders()[folder];
    if (told.contains(info.number))
        return;
    told.insert(info.number);
    const QString details = info.description
                            + QStringLiteral(". Backups go on; what could not be written is written again once "
                                             "there is room or the right to write.");
    std::fprintf(stderr, "%s: %s\n", qPrintable(OwnFilesSummary), details.toLocal8Bit().constData());
    std::fflush(stderr);
    if (ownFileListener())
        ownFileListener()(details);
}

bool writeOwnFile(const QString& path, const std::function<void()>& write)
{
    try {
        write();
        toldFolders().remove(Files::folderPart(path));
        return true;
    } catch (const AppError& error) {
        tellOwnFileFailure(path, error.info());
        return false;
    }
}

void setOwnFileListener(OwnFileListener listener)
{
    ownFileListener() = std::move(listener);
}

void report(bool fatal, const ErrorInfo& info, const QString& moduleName, const QString& procedureName,
            const QString& details)
{
    const QString badChars = QStringLiteral("'\";");
    const QString summary = QStringLiteral("ERR#") + QString::number(info.number) + QStringLiteral(" @ ")
                            + info.source + QStringLiteral(" - ") + info.description;
    const QString fullDetails = summary + QStringLiteral("\r\n") + QString(40, QLatin1Char('-')) + QStringLiteral("\r\n")
                            + QStringLiteral("Module/Function: ") + moduleName + QLatin1Char('/') + procedureName
                            + QLatin1Char('.') + QStringLiteral("\r\n\r\n") + details;
    const QString cleanDetails = Text::replaceCharacters(fullDetails, badChars, QStringLiteral("`"));
    const QString cleanSummary = Text::replaceCharacters(summary, badChars, QStringLiteral("~"));

    const QString report = QString(80, QLatin1Char('-')) + QStringLiteral("\r\n")
                           + QStringLiteral("Date:        ") + Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("\r\n")
                           + QStringLiteral("Computer:    ") + Desktop::hostName() + QStringLiteral("\r\n")
                           + QStringLiteral("Severity:    ") + (fatal ? QStringLiteral("Fatal") : QStringLiteral("Non-Fatal")) + QStringLiteral("\r\n")
                           + QStringLiteral("Description: ") + cleanSummary + QStringLiteral("\r\n")
                           + QStringLiteral("Last DLL:    ") + printedNumber(info.osError) + QStringLiteral("\r\n")
                           + QStringLiteral("Details:     ") + cleanDetails + QStringLiteral("\r\n");
    // A log that can't be written (read-only folder, full disk) is told; the message box still
    // tells the user, and a fatal report still ends the program.
    const QString errorLog = AppPaths::errorLogPath();
    writeOwnFile(errorLog, [&] { Files::appendToFile(errorLog, report.toUtf8()); });

    Messages::Message message;
    message.text = cleanSummary + QStringLiteral("\r\n\r\n")
                   + (fatal ? QStringLiteral("Application will now terminate.") : QStringLiteral("Press Ok to Continue."));
    message.title = fatal ? QStringLiteral("Fatal Application Error") : QStringLiteral("Non Fatal Application Error");
    message.icon = Messages::Icon::Exclamation;
    Messages::show(message);

    if (!fatal)
        return;
    if (fatalEndHandler())
        fatalEndHandler()();
    else
        std::_Exit(EXIT_FAILURE);
}

}  // namespace Errors
