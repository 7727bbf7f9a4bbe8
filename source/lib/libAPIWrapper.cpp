#include "lib/libAPIWrapper.h"

#include "lib/Shell32.h"

#include <QSysInfo>
#include <utility>

namespace libAPIWrapper {

QString GetComputerNameA()
{
    return QSysInfo::machineHostName();
}

void OpenOnDesktop(const QString& pathOrAddress, std::function<void()> failed)
{
    Shell32::StartWatched(QStringLiteral("xdg-open"), {pathOrAddress}, std::move(failed));
}

}  // namespace libAPIWrapper
