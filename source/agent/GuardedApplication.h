#pragma once
// The application with the program's one guard for the truly unexpected: an exception that
// reaches the event loop is reported with the place it was caught (the error log and a box)
// and ends the program. Expected failures never get here: they are returned results.

#include "lib/libErrorHandler.h"

#include <QApplication>
#include <cstring>
#include <source_location>

class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        const std::source_location where = std::source_location::current();
        const char* const file = std::strrchr(where.file_name(), '/');
        return libErrorHandler::Trap(file ? file + 1 : where.file_name(), where.function_name(),
                                     [&] { return QApplication::notify(receiver, event); });
    }
};
