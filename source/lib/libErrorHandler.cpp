#include "lib/libErrorHandler.h"

#include "lib/appSetup.h"
#include "lib/Clock.h"
#include "lib/libAPIWrapper.h"
#include "lib/libFiles.h"
#include "lib/libForms.h"
#include "lib/libStrings.h"

#include <cerrno>
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
    try {
        libFiles::AppendToFile(appSetup::ErrorLogPath(), report.toUtf8());
    } catch (const AppError&) {
        // The log can't be written (read-only folder, full disk): the message box still tells
        // the user, and a fatal report still ends the program.
    }

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
