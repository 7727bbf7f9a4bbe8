#include "lib/libAPIWrapper.h"

#include <QSysInfo>

namespace libAPIWrapper {

QString GetComputerNameA()
{
    return QSysInfo::machineHostName();
}

}  // namespace libAPIWrapper
