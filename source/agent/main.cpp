// Arkwell's entry point.
#include "agent/GuardedApplication.h"
#include "agent/AgentStart.h"
#include "agent/DesktopNotifications.h"
#include "cli/CommandLine.h"
#include "lib/CommandLine.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (const std::optional<int> status = CommandLine::runCommand(argc, argv))
        return *status;
    if (const std::optional<int> status = CommandLine::answerAlone(argc, argv))
        return *status;
    // Without any display the program still runs its scheduler, on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A session bus that accepts and never answers would hold the toolkit's first words with it.
    constexpr int BusGreetingMs = 1000;
    if (!DesktopNotifications::sessionBusAnswers(BusGreetingMs))
        DesktopNotifications::avoidSessionBus();
    GuardedApplication app(argc, argv);
    return AgentStart::run(app);
}
