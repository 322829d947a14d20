// The windows keep their controls to themselves; the tests reach them by object name.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace quillon::testing {

// The control of `window` named `name`. One that is not there ends the test program with
// a message naming it, rather than with a crash on a null pointer further on.
template <typename Control>
Control* childNamed(const QObject& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    if (!control) {
        qFatal("%s has no %s named \"%s\"", qPrintable(window.objectName()), Control::staticMetaObject.className(),
               name);
    }
    return control;
}

}  // namespace quillon::testing
