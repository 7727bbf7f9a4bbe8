#pragma once
// Small pieces for building windows: a control named as the tests and scripts find it, and a
// label whose text wraps to the width its layout gives it.

#include <QLabel>
#include <QString>

namespace Controls {

template <typename Control> Control* named(Control* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

inline QLabel* wrappedLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

} // namespace Controls
