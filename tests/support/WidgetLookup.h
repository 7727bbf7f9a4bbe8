#pragma once
// Finding a window's controls by their names, reading a list, and telling that a window has
// unloaded; with the control classes that the window tests look up and drive.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>
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

// The shown window of that name that has no parent (a window of its own), or nullptr.
inline QWidget* OpenWindow(const char* name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(name) && window->isVisible())
            return window;
    return nullptr;
}

// The texts of a list's rows, top to bottom.
inline QStringList ItemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// Whether the window is gone once the deletions it asked for have run.
template <typename Window>
bool Unloaded(const QPointer<Window>& window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

}  // namespace testing_support
