// The text fields of the windows: single-line, with the typing rule of their field, and either
// selecting their whole text when the focus moves into them or keeping the caret where
// it was.
#pragma once

#include <QFocusEvent>
#include <QLineEdit>
#include <QValidator>

#include "gui/qt_text.h"
#include "state/fields.h"

namespace quillon {

// What typing and pasting may put into a field: the field's typing rule. Text the
// program sets is not checked, as a field's length limit applies to typing alone.
class TypingRule : public QValidator {
public:
    TypingRule(Field field, QObject* parent) : QValidator(parent), field_(field) {}

    State validate(QString& input, int&) const override {
        return acceptsTyped(field_, toUtf8(input)) ? Acceptable : Invalid;
    }

private:
    Field field_;
};

class LineEdit : public QLineEdit {
public:
    LineEdit(QWidget* parent, const char* name, bool selectAllOnFocus)
        : QLineEdit(parent), selectAllOnFocus_(selectAllOnFocus) {
        setObjectName(name);
    }

    void setTypingRule(Field field) { setValidator(new TypingRule(field, this)); }
    void caretToEnd() { setCursorPosition(static_cast<int>(text().size())); }

protected:
    void focusInEvent(QFocusEvent* event) override {
        const int caret = cursorPosition();
        QLineEdit::focusInEvent(event);
        // Only a move of the focus from another control enters the field; the window
        // becoming active again or a closed popup leaves the selection as it was.
        if (!entersFromAnotherControl(event->reason())) return;
        if (selectAllOnFocus_) {
            selectAll();
        } else {
            setCursorPosition(caret);
        }
    }

private:
    static bool entersFromAnotherControl(Qt::FocusReason reason) {
        return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
               reason != Qt::MouseFocusReason;
    }

    bool selectAllOnFocus_;
};

}  // namespace quillon
