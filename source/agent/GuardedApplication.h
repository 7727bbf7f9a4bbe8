#pragma once
// The application with the program's one guard for the truly unexpected: an exception that
// reaches the event loop is reported with the place it was caught (the error log and a box)
// and ends the program. Expected failures never get here: they are returned results, and a
// backup run catches its own failures at its edge.

#include "lib/Errors.h"

#include <QApplication>

class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        return Errors::guard([&] { return QApplication::notify(receiver, event); });
    }
};
