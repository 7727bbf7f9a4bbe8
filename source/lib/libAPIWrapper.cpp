#include "lib/libAPIWrapper.h"

#include "lib/Shell32.h"

#include <QSysInfo>

namespace libAPIWrapper {

QString GetComputerNameA()
{
    return QSysInfo::machineHostName();
}

bool OpenOnDesktop(const QString& pathOrAddress)
{
    return Shell32::StartDetached(QStringLiteral("xdg-open"), {pathOrAddress});
}

}  // namespace libAPIWrapper
