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

class TForm3 : public QWidget {
    Q_OBJECT

public:
    // `fields` gives the picture paths (icon0, pic1, unknown, warning) at each composition.
    TForm3(const ProgramFolder& folder, const FieldState& fields);

    // Redraws both pictures from the current fields and displays the chosen one.
    void ComposePreview();

    QFrame* Shape1;
    QLabel* Image1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;

    QImage backImage;
    QImage noIcon0Image;
    QImage iconBackImage;
    QImage menuBitmap;
    QImage warningBitmap;

public slots:
    void RadioButton1Click();
    void RadioButton2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void createControls();
    void display();

    const ProgramFolder& folder_;
    const FieldState& fields_;
};

}  // namespace quillon
