#include "lib/Desktop.h"

#include "lib/ChildProcess.h"

#include <QSysInfo>
#include <utility>

namespace Desktop {

QString hostName()
{
    return QSysInfo::machineHostName();
}

void open(const QString& pathOrAddress, std::function<void()> failed)
{
    ChildProcess::startWatched(QStringLiteral("xdg-open"), {pathOrAddress}, std::move(failed));
}

}  // namespace Desktop
