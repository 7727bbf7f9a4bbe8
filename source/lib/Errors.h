#pragma once
// One error-reporting operation for every unexpected failure of the program, and the error log.

#include "lib/Result.h"

#include <QString>
#include <QFileDevice>
#include <cstring>
#include <exception>
#include <source_location>
#include <functional>
#include <type_traits>

namespace Errors {

// The failure being reported: its number, the component it arose in, its text, and the
// last operating-system error code (errno) seen when it arose.
struct ErrorInfo {
    qint32 number = 0;
    QString source = QStringLiteral("Arkwell");
    QString description;
    qint32 osError = 0;
};

// The program's own error numbers for the failures it meets most.
enum ErrorNumber : qint32 {
    ErrOverflow = 6,
    ErrTypeMismatch = 13,
    ErrBadFileName = 52,
    ErrFileNotFound = 53,
    ErrDeviceIO = 57,
    ErrFileExists = 58,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrPermissionDenied = 70,
    ErrNoExtension = 71,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrOperationFailed = 99,
};

// A refusal met inside a backup run, caught at the run's edge (or, unexpected elsewhere, by the guard).
class AppError : public std::exception {
public:
    explicit AppError(ErrorInfo info);
    const ErrorInfo& info() const { return m_info; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    ErrorInfo m_info;
    QByteArray m_what;
};

// Runs `work`, made of operations that throw AppError, as an operation that returns its
// failure: outside a backup run a refusal is a result, never an exception.
template <typename Work>
Result<> attempt(Work&& work)
{
    try {
        work();
        return {};
    } catch (const AppError& error) {
        return Failure{error.info().description};
    }
}

// The standard text of one of the program's error numbers ("File not found" for 53).
QString errorText(qint32 number);

// Maps an errno value to the program's number and text; `path` names the file concerned.
ErrorInfo fromErrno(int err, const QString& path);
// Maps a Qt file error (with the errno left by the failing call) the same way.
ErrorInfo fromFileError(QFileDevice::FileError error, const QString& path, int err);

[[noreturn]] void throwError(qint32 number, const QString& description);
[[noreturn]] void throwErrno(int err, const QString& path);
[[noreturn]] void throwFileError(const QFileDevice& file);

// Appends the report to the error log and tells the user. A fatal report then ends the
// program through the fatal-end handler.
void report(bool fatal, const ErrorInfo& info, const QString& moduleName, const QString& procedureName,
            const QString& details = QString());

// The program's own files (transaction and error logs, preferences, job files, run records)
// that can't be written never end it. writeOwnFile runs `write`, which writes `path`; a failure
// is told once (standard error and the listener; the agent makes it a desktop notification)
// until a write into the same folder succeeds again, and is returned as false. The caller goes
// on with what it holds in memory.
bool writeOwnFile(const QString& path, const std::function<void()>& write);
// The notice of an own file that can't be written (naming the real path), without the write:
// a folder found unwritable at start-up.
void tellOwnFileFailure(const QString& path, const ErrorInfo& info);
inline const QString OwnFilesSummary = QStringLiteral("Arkwell can't write its own files");
using OwnFileListener = std::function<void(const QString& details)>;
void setOwnFileListener(OwnFileListener listener);  // an empty listener: standard error only

// The fatal end. The real one ends the process at once; tests install one that throws.
using FatalEndHandler = std::function<void()>;
void setFatalEndHandler(FatalEndHandler handler);  // an empty handler restores the real end

// The one guard for the truly unexpected: runs `work`, and an exception that escapes it is
// reported as fatal, naming the file and function the guard was called from; `work`'s
// default result is returned when the fatal end returns (only in tests).
template <typename Work>
auto guard(Work&& work, const std::source_location where = std::source_location::current()) -> decltype(work())
{
    using Value = decltype(work());
    ErrorInfo caught;
    try {
        return work();
    } catch (const AppError& error) {
        caught = error.info();
    } catch (const std::exception& error) {
        caught.number = ErrOperationFailed;
        caught.description = QString::fromLocal8Bit(error.what());
    }
    const char* const file = std::strrchr(where.file_name(), '/');
    report(true, caught, QString::fromUtf8(file ? file + 1 : where.file_name()), QString::fromUtf8(where.function_name()));
    if constexpr (!std::is_void_v<Value>)
        return Value{};
}

}  // namespace Errors
