// A second process holding an agent's lock, for the tests of a later start: takes the lock file
// given, says "held", says "show" whenever asked for the window, and ends when its standard
// input closes.
#include "cli/InstanceGuard.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 64;
    InstanceGuard guard(QString::fromLocal8Bit(argv[1]));
    if (const auto outcome = guard.tryAcquire(); !outcome || *outcome != InstanceGuard::Outcome::Acquired)
        return 1;
    const auto say = [](const char* line) {
        std::puts(line);
        std::fflush(stdout);
    };
    QObject::connect(&guard, &InstanceGuard::showWindowRequested, &app, [&say] { say("show"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        if (::read(STDIN_FILENO, &byte, 1) <= 0)
            QCoreApplication::quit();
    });
    say("held");
    return app.exec();
}
