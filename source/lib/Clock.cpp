#include "lib/Clock.h"

namespace {
Clock* installedClock = nullptr;
}

QDateTime Clock::now()
{
    static const Clock systemClock;
    return (installedClock ? installedClock : &systemClock)->currentDateTime();
}

QDate Clock::today()
{
    return now().date();
}

void Clock::install(Clock* clock)
{
    installedClock = clock;
}

QDateTime Clock::currentDateTime() const
{
    return QDateTime::currentDateTime();
}
