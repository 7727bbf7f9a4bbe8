#include "lib/libErrorHandler.h"

#include "lib/appSetup.h"
#include "lib/Clock.h"
#include "lib/libAPIWrapper.h"
#include "lib/libFiles.h"
#include "lib/libForms.h"
#include "lib/libStrings.h"

#include <QHash>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace libErrorHandler {
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
    : m_info(std::move(info)), m_what(m_info.Description.toLocal8Bit())
{
}

QString ErrorText(qint32 number)
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

ErrorInfo FromErrno(int err, const QString& path)
{
    ErrorInfo info;
    info.Number = numberForErrno(err);
    // A missing file whose folder is missing too is a missing path.
    if (info.Number == ErrFileNotFound && !path.isEmpty() && !libFiles::FolderExists(libFiles::FilePathStripFileName(path)))
        info.Number = ErrPathNotFound;
    info.Description = ErrorText(info.Number) + QStringLiteral(": '") + path + QStringLiteral("' (")
                       + QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char(')');
    info.LastDllError = err;
    return info;
}

ErrorInfo FromFileError(QFileDevice::FileError error, const QString& path, int err)
{
    if (err == 0) {
        switch (error) {
        case QFileDevice::OpenError: err = ENOENT; break;
        case QFileDevice::PermissionsError: err = EACCES; break;
        case QFileDevice::ResourceError: err = ENOSPC; break;
        default: err = EIO; break;
        }
    }
    return FromErrno(err, path);
}

void Raise(qint32 number, const QString& description)
{
    ErrorInfo info;
    info.Number = number;
    info.Description = description;
    info.LastDllError = errno;
    throw AppError(info);
}

void RaiseErrno(int err, const QString& path)
{
    throw AppError(FromErrno(err, path));
}

void RaiseFileError(const QFileDevice& file)
{
    throw AppError(FromFileError(file.error(), file.fileName(), errno));
}

void SetFatalEndHandler(FatalEndHandler handler)
{
    fatalEndHandler() = std::move(handler);
}

void TellOwnFileFailure(const QString& path, const ErrorInfo& info)
{
    const QString folder = libFiles::FilePathStripFileName(path);
    QSet<qint32>& told = toldFolders()[folder];
    if (told.contains(info.Number))
        return;
    told.insert(info.Number);
    const QString details = info.Description
                            + QStringLiteral(". Backups go on; what could not be written is written again once "
                                             "there is room or the right to write.");
    std::fprintf(stderr, "%s: %s\n", qPrintable(OwnFilesSummary), details.toLocal8Bit().constData());
    std::fflush(stderr);
    if (ownFileListener())
        ownFileListener()(details);
}

bool WriteOwnFile(const QString& path, const std::function<void()>& write)
{
    try {
        write();
        toldFolders().remove(libFiles::FilePathStripFileName(path));
        return true;
    } catch (const AppError& error) {
        TellOwnFileFailure(path, error.info());
        return false;
    }
}

void SetOwnFileListener(OwnFileListener listener)
{
    ownFileListener() = std::move(listener);
}

void ReportError(bool Fatal, const ErrorInfo& ErrorInfo, const QString& ModuleName, const QString& ProcedureName,
                 const QString& Details)
{
    const QString badChars = QStringLiteral("'\";");
    const QString summary = QStringLiteral("ERR#") + QString::number(ErrorInfo.Number) + QStringLiteral(" @ ")
                            + ErrorInfo.Source + QStringLiteral(" - ") + ErrorInfo.Description;
    const QString details = summary + QStringLiteral("\r\n") + QString(40, QLatin1Char('-')) + QStringLiteral("\r\n")
                            + QStringLiteral("Module/Function: ") + ModuleName + QLatin1Char('/') + ProcedureName
                            + QLatin1Char('.') + QStringLiteral("\r\n\r\n") + Details;
    const QString cleanDetails = libStrings::StripBadChars(details, badChars, QStringLiteral("`"));
    const QString cleanSummary = libStrings::StripBadChars(summary, badChars, QStringLiteral("~"));

    const QString report = QString(80, QLatin1Char('-')) + QStringLiteral("\r\n")
                           + QStringLiteral("Date:        ") + Clock::Now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("\r\n")
                           + QStringLiteral("Computer:    ") + libAPIWrapper::GetComputerNameA() + QStringLiteral("\r\n")
                           + QStringLiteral("Severity:    ") + (Fatal ? QStringLiteral("Fatal") : QStringLiteral("Non-Fatal")) + QStringLiteral("\r\n")
                           + QStringLiteral("Description: ") + cleanSummary + QStringLiteral("\r\n")
                           + QStringLiteral("Last DLL:    ") + printedNumber(ErrorInfo.LastDllError) + QStringLiteral("\r\n")
                           + QStringLiteral("Details:     ") + cleanDetails + QStringLiteral("\r\n");
    // A log that can't be written (read-only folder, full disk) is told; the message box still
    // tells the user, and a fatal report still ends the program.
    const QString errorLog = appSetup::ErrorLogPath();
    WriteOwnFile(errorLog, [&] { libFiles::AppendToFile(errorLog, report.toUtf8()); });

    libForms::Message message;
    message.text = cleanSummary + QStringLiteral("\r\n\r\n")
                   + (Fatal ? QStringLiteral("Application will now terminate.") : QStringLiteral("Press Ok to Continue."));
    message.title = Fatal ? QStringLiteral("Fatal Application Error") : QStringLiteral("Non Fatal Application Error");
    message.icon = libForms::Icon::Exclamation;
    libForms::MsgBox(message);

    if (!Fatal)
        return;
    if (fatalEndHandler())
        fatalEndHandler()();
    else
        std::_Exit(EXIT_FAILURE);
}

}  // namespace libErrorHandler
