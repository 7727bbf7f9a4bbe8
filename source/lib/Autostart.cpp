#include "lib/Autostart.h"

#include "lib/Errors.h"
#include "lib/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Autostart {
namespace {

// A program path as a desktop entry's Exec value: quoted, the characters special inside the
// quotes escaped, "%" doubled (field codes), and every backslash doubled once more by the
// key-file format.
QString execValue(const QString& program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
        if (c == QLatin1Char('%'))
            quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString entryPath()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           + QStringLiteral("/autostart/arkwell.desktop"));
}

bool startsAtLogin()
{
    return QFileInfo(entryPath()).isFile();
}

// The entry names the program twice: to start (Exec) and, as TryExec, to be skipped once the
// program is gone (a removed package leaves a harmless entry).
QByteArray entryText(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.4\n"
                          "Name=Arkwell\n"
                          "GenericName=Backup Scheduler\n"
                          "Comment=Start the Arkwell backup agent in the system tray at log-in\n"
                          "Exec=%1 /SILENT\n"
                          "TryExec=%2\n"
                          "Icon=arkwell\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execValue(program), QString(program).replace(QLatin1Char('\\'), QStringLiteral("\\\\")))
        .toUtf8();
}

Result<> setStartAtLogin(bool start, const QString& program)
{
    const QString entry = entryPath();
    return Errors::attempt([&] {
        if (!start) {
            Files::removeFile(entry);
            return;
        }
        QDir().mkpath(QFileInfo(entry).path());  // a folder that can't be made fails the write below
        Files::writeWhole(entry, entryText(program));
    });
}

}  // namespace Autostart
