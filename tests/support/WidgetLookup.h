#pragma once
// Finding a window's controls by their names, and telling that a window has unloaded.

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

namespace testing_support {

// The window's control of that name; a missing one fails the test.
template <typename Control>
Control* FindControl(const QWidget* window, const char* name)
{
    Control* found = window->findChild<Control*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

// Whether the window is gone once the deletions it asked for have run.
template <typename Window>
bool Unloaded(const QPointer<Window>& window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

}  // namespace testing_support
