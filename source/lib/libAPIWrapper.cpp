#include "lib/libAPIWrapper.h"

#include "lib/ChildProcess.h"

#include <QSysInfo>
#include <utility>

namespace libAPIWrapper {

QString GetComputerNameA()
{
    return QSysInfo::machineHostName();
}

void OpenOnDesktop(const QString& pathOrAddress, std::function<void()> failed)
{
    ChildProcess::StartWatched(QStringLiteral("xdg-open"), {pathOrAddress}, std::move(failed));
}

}  // namespace libAPIWrapper
