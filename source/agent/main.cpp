// Arkwell's entry point.
#include "agent/GuardedApplication.h"
#include "agent/appSetupMain.h"

int main(int argc, char** argv)
{
    // Without any display the program still runs its scheduler, on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardedApplication app(argc, argv);
    return appSetup::Main(app);
}
