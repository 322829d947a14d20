// The preview window: how the game will look in the PSP's menu and on its warning
// screen, composed from the main window's picture fields and the warning picture.
#pragma once

#include <QImage>
#include <QWidget>

#include "state/fields.h"
#include "state/program_folder.h"

class QFrame;
class QLabel;
class QRadioButton;

namespace quillon {

class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    // `fields` gives the picture paths (ICON0, PIC1, PIC0 and the warning picture) at each composition.
    PreviewWindow(const ProgramFolder& folder, const FieldState& fields);

    // Redraws both pictures from the current fields and displays the chosen one.
    void composePreview();

    QImage backImage;
    QImage noIcon0Image;
    QImage iconBackImage;
    QImage menuBitmap;
    QImage warningBitmap;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void finishSetUp();
    void createControls();
    void display();

    const ProgramFolder& folder_;
    const FieldState& fields_;

    QFrame* screenFrame_;
    QLabel* screenView_;
    QRadioButton* menuThemeRadio_;
    QRadioButton* warningScreenRadio_;
};

}  // namespace quillon
