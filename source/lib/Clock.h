#pragma once
// The program's one source of the current local date and time. Tests install a clock of
// their own that they set and advance.

#include <QDateTime>

class Clock {
public:
    virtual ~Clock() = default;

    static QDateTime now();  // local date and time
    static QDate today();    // the current date (its midnight)

    // Installs `clock` (not owned) in place of the system clock; nullptr restores it.
    static void install(Clock* clock);

protected:
    virtual QDateTime currentDateTime() const;
};
