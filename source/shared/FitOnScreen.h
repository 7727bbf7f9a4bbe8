#pragma once
// Sizing a window of its own so that it opens whole on any screen.

#include <QScreen>
#include <QWidget>

// Sizes the window as preferred, or smaller where its screen is smaller, and centres it on
// the screen.
inline void fitOnScreen(QWidget* window, const QSize& preferred)
{
    const QRect screen = window->screen()->availableGeometry();
    window->resize(preferred.boundedTo(screen.size() * 9 / 10));
    window->move(screen.center() - window->rect().center());
}
