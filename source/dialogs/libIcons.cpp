#include "dialogs/libIcons.h"

// The resources live in a static library: naming their initialiser here links them in.
static void initProgramResources()
{
    Q_INIT_RESOURCE(arkwell);
}

namespace libIcons {

QIcon ProgramIcon()
{
    initProgramResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/arkwell-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace libIcons
