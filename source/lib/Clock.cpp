#include "lib/Clock.h"

namespace {
Clock* installedClock = nullptr;
}

QDateTime Clock::Now()
{
    static const Clock systemClock;
    return (installedClock ? installedClock : &systemClock)->currentDateTime();
}

QDate Clock::Today()
{
    return Now().date();
}

void Clock::Install(Clock* clock)
{
    installedClock = clock;
}

QDateTime Clock::currentDateTime() const
{
    return QDateTime::currentDateTime();
}
