#pragma once
// Creating a window's controls: each one named (its object name is its control name) and
// placed at its design geometry.

#include <QRect>
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

}  // namespace libControls
