#pragma once
// Creating a window's controls: each one named (its object name is its control name) and
// placed at its design geometry; a window given a size that fits its screen.

#include <QRect>
#include <QScreen>
#include <QWidget>

namespace libControls {

template <typename Control>
Control* NewControl(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

// Sizes the window as preferred, or smaller where its screen is smaller, and centres it on
// the screen, so it opens whole on any screen.
inline void FitOnScreen(QWidget* window, const QSize& preferred)
{
    const QRect screen = window->screen()->availableGeometry();
    window->resize(preferred.boundedTo(screen.size() * 9 / 10));
    window->move(screen.center() - window->rect().center());
}

}  // namespace libControls
