#include "gui/options_window.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>

#include "gui/field_binding.h"
#include "gui/line_edit.h"
#include "gui/qt_text.h"
#include "gui/widgets.h"
#include "session/session.h"

namespace quillon {
namespace {

const QString kSpaces = QStringLiteral("\u3000\u3000");

QRadioButton* makeRadio(QWidget* parent, const char* name, const QString& caption, int top, int width) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(name);
    radio->setGeometry(8, top, width, 17);
    return radio;
}

}  // namespace

TForm4::TForm4(Dialogs& dialogs, Session& session)
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      session_(session) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    createControls();
    bindFields();
    connectHandlers();
    FormCreate();
}

TForm4::~TForm4() = default;

void TForm4::bindFields() {
    binding_ = std::make_unique<FieldBinding>(session_.fields());
    const std::pair<Field, LineEdit*> edits[] = {
        {Field::sourceFolder, defIsoFolder},
        {Field::defaultOutputFolder, defOutput},
        {Field::imageFolder, defImageFolder},
        {Field::compressionLevel, Compression},
        {Field::warning, warning},
        {Field::defaultWarning, defWarning},
        {Field::defaultIcon0, defIcon0},
        {Field::defaultPic1, defPic1},
        {Field::defaultPic0, defUnknown},
        {Field::defaultSnd0, defSnd0},
        {Field::defaultIcon1, defIcon1},
    };
    for (const auto& [field, edit] : edits) binding_->bind(field, edit);
    binding_->bindFolderOptions({folderOption1, folderOption2, folderOption3, folderOption4});
}

void TForm4::createControls() {
    // Left column.
    Label1 = makeLabel(this, "Label1", QStringLiteral("默认ISO/PBP打开目录:") + kSpaces, 4, 4);
    defIsoFolder = makeEdit(this, "defIsoFolder", 4, 20, 233, false);
    SpeedButton2 = makeSpeedButton(this, "SpeedButton2", 240, 20);
    Label7 = makeLabel(this, "Label7", QStringLiteral("默认ISO/PBP存放目录:") + kSpaces, 4, 48);
    defOutput = makeEdit(this, "defOutput", 4, 64, 233, false);
    SpeedButton10 = makeSpeedButton(this, "SpeedButton10", 240, 64);
    Label2 = makeLabel(this, "Label2", QStringLiteral("默认图标/音乐打开目录:") + kSpaces, 4, 92);
    defImageFolder = makeEdit(this, "defImageFolder", 4, 108, 233, false);
    SpeedButton1 = makeSpeedButton(this, "SpeedButton1", 240, 108);
    Label10 = makeLabel(this, "Label10", QStringLiteral("压缩比率: (0 to 9)") + kSpaces, 4, 136);
    Compression = makeEdit(this, "Compression", 4, 152, 259, true);
    GroupBox1 = new QGroupBox(QStringLiteral(" 转换后自动生成文件夹  "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(4, 180, 259, 117);
    folderOption1 = makeRadio(GroupBox1, "folderOption1", QStringLiteral("不建立任何文件夹"), 20, 145);
    folderOption2 = makeRadio(GroupBox1, "folderOption2", QStringLiteral("以存档ID命名文件夹"), 44, 157);
    folderOption3 = makeRadio(GroupBox1, "folderOption3", QStringLiteral("以游戏名称建立文件夹"), 68, 157);
    folderOption4 = makeRadio(GroupBox1, "folderOption4", QStringLiteral("以存档名称建立文件夹"), 92, 153);
    folderOption1->setChecked(true);

    // Right column.
    Label17 = makeLabel(this, "Label17", QStringLiteral("警告图片目录:    "), 276, 4);
    warning = makeEdit(this, "warning", 276, 20, 233, false);
    SpeedButton8 = makeSpeedButton(this, "SpeedButton8", 512, 20);
    Label6 = makeLabel(this, "Label6", QStringLiteral("默认警告图片目录:"), 276, 48);
    defWarning = makeEdit(this, "defWarning", 276, 64, 233, true);
    SpeedButton9 = makeSpeedButton(this, "SpeedButton9", 512, 64);
    Label4 = makeLabel(this, "Label4", QStringLiteral("默认图标目录:") + kSpaces, 276, 88);
    Label12 = makeRightAlignedLabel(this, "Label12", QStringLiteral("ICON0.PNG"), 444, 88, 65);
    defIcon0 = makeEdit(this, "defIcon0", 276, 104, 233, false);
    SpeedButton4 = makeSpeedButton(this, "SpeedButton4", 512, 104);
    Label3 = makeLabel(this, "Label3", QStringLiteral("默认背景图目录:") + kSpaces, 276, 132);
    Label13 = makeRightAlignedLabel(this, "Label13", QStringLiteral("PIC1.PNG"), 456, 132, 53);
    defPic1 = makeEdit(this, "defPic1", 276, 148, 233, true);
    SpeedButton3 = makeSpeedButton(this, "SpeedButton3", 512, 148);
    Label5 = makeLabel(this, "Label5", QStringLiteral("默认信息图目录:") + kSpaces, 276, 172);
    Label14 = makeRightAlignedLabel(this, "Label14", QStringLiteral("PIC0.PNG"), 456, 172, 53);
    defUnknown = makeEdit(this, "defUnknown", 276, 188, 233, true);
    SpeedButton5 = makeSpeedButton(this, "SpeedButton5", 512, 188);
    Label9 = makeLabel(this, "Label9", QStringLiteral("默认背景音乐目录:") + kSpaces, 276, 216);
    Label15 = makeRightAlignedLabel(this, "Label15", QStringLiteral("SND0.AT3"), 452, 216, 57);
    defSnd0 = makeEdit(this, "defSnd0", 276, 232, 233, true);
    SpeedButton7 = makeSpeedButton(this, "SpeedButton7", 512, 232);
    Label8 = makeLabel(this, "Label8", QStringLiteral("默认动画图标目录:") + kSpaces, 276, 260);
    Label16 = makeRightAlignedLabel(this, "Label16", QStringLiteral("ICON1.PMF"), 448, 260, 61);
    defIcon1 = makeEdit(this, "defIcon1", 276, 276, 233, true);
    SpeedButton6 = makeSpeedButton(this, "SpeedButton6", 512, 276);
    donate = makeButton(this, "donate", QStringLiteral("捐助 (PayPal)"), 276, 308, 97);
    cancel = makeButton(this, "cancel", QStringLiteral("取消"), 380, 308, 75);
    save = makeButton(this, "save", QStringLiteral("保存"), 460, 308, 75);

    // The group box takes no focus itself: its radio buttons stand in its place.
    QWidget* tabOrder[] = {warning,       defIsoFolder, defImageFolder, folderOption1, folderOption2, folderOption3,
                           folderOption4, defWarning,   defIcon0,       defPic1,       defUnknown,    defSnd0,
                           defIcon1,      donate,       cancel,         save,          defOutput,     Compression};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    // The first showing starts at the head of the tab order; later ones where the user left.
    warning->setFocus();
}

void TForm4::connectHandlers() {
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm4::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm4::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm4::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm4::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm4::SpeedButton5Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm4::SpeedButton6Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm4::SpeedButton7Click);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm4::SpeedButton8Click);
    connect(SpeedButton9, &QToolButton::clicked, this, &TForm4::SpeedButton9Click);
    connect(SpeedButton10, &QToolButton::clicked, this, &TForm4::SpeedButton10Click);
    connect(save, &QPushButton::clicked, this, &TForm4::saveClick);
    connect(cancel, &QPushButton::clicked, this, &TForm4::cancelClick);
    connect(donate, &QPushButton::clicked, this, &TForm4::donateClick);
}

void TForm4::FormCreate() { setFixedSize(save->x() + save->width() + 4, save->y() + save->height() + 4); }

void TForm4::LoadOptions() { session_.loadOptions(); }

void TForm4::SaveOptions() {
    if (const Status saved = session_.saveOptions(); !saved) {
        dialogs_.showMessage(this, toQt(saved.error().message), QString::fromUtf8(kProgramTitle));
    }
}

void TForm4::pickFolder(Field field, const QString& prompt) {
    const QString current = toQt(session_.fields().text(field));
    const QString start = QFileInfo(current).isDir() ? current : QString();
    const QString chosen = dialogs_.browseForFolder(this, prompt, start);
    if (!chosen.isEmpty()) session_.fields().setPath(field, toUtf8(chosen));
}

void TForm4::pickFile(Field field) {
    pickFileIntoField(dialogs_, this, OpenDialogDiv, session_.fields(), field, pickerFilter(field));
}

void TForm4::SpeedButton2Click() { pickFolder(Field::sourceFolder, QStringLiteral("Select default ISO/PBP folder:")); }
void TForm4::SpeedButton10Click() {
    pickFolder(Field::defaultOutputFolder, QStringLiteral("Select default output ISO/PBP folder:"));
}
void TForm4::SpeedButton1Click() {
    pickFolder(Field::imageFolder, QStringLiteral("Select default image/sound folder:"));
}
void TForm4::SpeedButton8Click() { pickFile(Field::warning); }
void TForm4::SpeedButton9Click() { pickFile(Field::defaultWarning); }
void TForm4::SpeedButton4Click() { pickFile(Field::defaultIcon0); }
void TForm4::SpeedButton3Click() { pickFile(Field::defaultPic1); }
void TForm4::SpeedButton5Click() { pickFile(Field::defaultPic0); }
void TForm4::SpeedButton7Click() { pickFile(Field::defaultSnd0); }
void TForm4::SpeedButton6Click() { pickFile(Field::defaultIcon1); }

void TForm4::saveClick() {
    SaveOptions();
    accept();
}

void TForm4::cancelClick() {
    LoadOptions();
    reject();
}

QUrl TForm4::donationUrl() {
    return QUrl::fromEncoded(
        "https://www.paypal.com/cgi-bin/webscr?cmd=_xclick&business=donate%40quillon.example"
        "&item_name=Quillon&no_shipping=1&no_note=1&tax=0&currency_code=USD&lc=SE"
        "&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

void TForm4::donateClick() { dialogs_.openUrl(donationUrl()); }

}  // namespace quillon
