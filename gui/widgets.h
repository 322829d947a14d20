// The controls of the windows as they make them: named, at their place and size.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "gui/line_edit.h"

namespace quillon {

// A label that sizes itself to its caption.
inline QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A label of fixed size whose caption keeps to its right edge (the PSP file names).
inline QLabel* makeRightAlignedLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                                     int width) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(left, top, width, 13);
    return label;
}

inline LineEdit* makeEdit(QWidget* parent, const char* name, int left, int top, int width, bool selectAllOnFocus) {
    auto* edit = new LineEdit(parent, name, selectAllOnFocus);
    edit->setGeometry(left, top, width, 21);
    return edit;
}

// The small "..." button of a picker; it takes no focus.
inline QToolButton* makePickerButton(QWidget* parent, const char* name, int left, int top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QStringLiteral("..."));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(left, top, 23, 21);
    return button;
}

inline QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int left, int top,
                               int width = 75) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setGeometry(left, top, width, 23);
    return button;
}

}  // namespace quillon
