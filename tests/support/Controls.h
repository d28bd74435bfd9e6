#pragma once
// The tests' way to a window's controls: by the object name the program gives each control (its
// name in the system's tables, "txtDLQ3"), as a user finds it by its caption. A name the window
// lacks fails the test.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <stdexcept>
#include <string>

template <class W = QWidget>
W* Find(const QWidget& window, const char* name) {
    W* const found = window.findChild<W*>(QString::fromLatin1(name));
    if (!found) {
        throw std::runtime_error(window.objectName().toStdString() + " has no control " + name);
    }
    return found;
}
template <class W = QWidget>
W* Find(const QWidget* window, const char* name) {
    return Find<W>(*window, name);
}

template <class Window>
QLineEdit* Edit(const Window& window, const char* name) {
    return Find<QLineEdit>(window, name);
}
template <class Window>
QComboBox* List(const Window& window, const char* name) {
    return Find<QComboBox>(window, name);
}
template <class Window>
QCheckBox* Tick(const Window& window, const char* name) {
    return Find<QCheckBox>(window, name);
}
template <class Window>
QPushButton* Button(const Window& window, const char* name) {
    return Find<QPushButton>(window, name);
}
template <class Window>
QLabel* Label(const Window& window, const char* name) {
    return Find<QLabel>(window, name);
}

// Whether the program has made the window of that object name ("frm02"): a page is made the
// first time anything touches it.
inline bool IsLoaded(const char* window) {
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String(window)) {
            return true;
        }
    }
    return false;
}
