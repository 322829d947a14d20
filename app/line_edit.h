// A text field that either selects its whole text when it receives the focus or keeps
// the caret where it was.
#pragma once

#include <QFocusEvent>
#include <QLineEdit>

namespace quillon {

class LineEdit : public QLineEdit {
public:
    LineEdit(QWidget* parent, const char* name, bool selectAllOnFocus)
        : QLineEdit(parent), selectAllOnFocus_(selectAllOnFocus) {
        setObjectName(name);
    }

    void caretToEnd() { setCursorPosition(static_cast<int>(text().size())); }

protected:
    void focusInEvent(QFocusEvent* event) override {
        const int caret = cursorPosition();
        QLineEdit::focusInEvent(event);
        if (selectAllOnFocus_) {
            selectAll();
        } else {
            setCursorPosition(caret);
        }
    }

private:
    bool selectAllOnFocus_;
};

}  // namespace quillon
