#pragma once
// The application with the program's one guard for the truly unexpected: an exception that
// reaches the event loop, or escapes the start, is reported with the place it was caught (the
// error log and a box) and ends the program. Expected failures never get here: they are
// returned results, and a backup run catches its own failures at its edge.

#include "lib/Errors.h"

#include <QApplication>
#include <cstring>
#include <source_location>

// Runs `work` under the guard, named by where it is called from.
template <typename Work>
auto runGuarded(Work&& work, const std::source_location where = std::source_location::current()) -> decltype(work())
{
    const char* const file = std::strrchr(where.file_name(), '/');
    return Errors::trap(file ? file + 1 : where.file_name(), where.function_name(), std::forward<Work>(work));
}

class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        return runGuarded([&] { return QApplication::notify(receiver, event); });
    }
};
