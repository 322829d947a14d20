// The text fields of the windows: single-line, with a limit on what is typed, and either
// selecting their whole text when the focus moves into them or keeping the caret where
// it was.
#pragma once

#include <QFocusEvent>
#include <QLineEdit>
#include <QValidator>

namespace quillon {

// What typing and pasting may put into a field: no line break, and at most `maxLength`
// characters (0: any number). Text the program sets is not checked, as a field's length
// limit applies to typing alone.
class TypingLimit : public QValidator {
public:
    TypingLimit(int maxLength, QObject* parent) : QValidator(parent), maxLength_(maxLength) {}

    State validate(QString& input, int&) const override {
        if (input.contains('\n') || input.contains('\r')) return Invalid;
        if (maxLength_ > 0 && input.size() > maxLength_) return Invalid;
        return Acceptable;
    }

private:
    int maxLength_;
};

class LineEdit : public QLineEdit {
public:
    LineEdit(QWidget* parent, const char* name, bool selectAllOnFocus)
        : QLineEdit(parent), selectAllOnFocus_(selectAllOnFocus) {
        setObjectName(name);
        setTypingLimit(0);
    }

    void setTypingLimit(int maxLength) { setValidator(new TypingLimit(maxLength, this)); }
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
