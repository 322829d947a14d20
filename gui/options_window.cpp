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

OptionsWindow::OptionsWindow(Dialogs& dialogs, Session& session)
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      session_(session) {
    setObjectName(QStringLiteral("optionsWindow"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    createControls();
    bindFields();
    connectHandlers();
    fitToControls();
}

OptionsWindow::~OptionsWindow() = default;

void OptionsWindow::bindFields() {
    binding_ = std::make_unique<FieldBinding>(session_.fields());
    const std::pair<Field, LineEdit*> edits[] = {
        {Field::sourceFolder, sourceFolderEdit_}, {Field::defaultOutputFolder, defaultOutputFolderEdit_},
        {Field::imageFolder, imageFolderEdit_},   {Field::compressionLevel, compressionLevelEdit_},
        {Field::warning, warningEdit_},           {Field::defaultWarning, defaultWarningEdit_},
        {Field::defaultIcon0, defaultIcon0Edit_}, {Field::defaultPic1, defaultPic1Edit_},
        {Field::defaultPic0, defaultPic0Edit_},   {Field::defaultSnd0, defaultSnd0Edit_},
        {Field::defaultIcon1, defaultIcon1Edit_},
    };
    for (const auto& [field, edit] : edits) binding_->bind(field, edit);
    binding_->bindFolderOptions({{{FolderOption::NoSubFolder, noSubFolderRadio_},
                                  {FolderOption::DiscId, discIdFolderRadio_},
                                  {FolderOption::Title, titleFolderRadio_},
                                  {FolderOption::SaveTitle, saveTitleFolderRadio_}}});
}

void OptionsWindow::createControls() {
    // Left column.
    sourceFolderLabel_ = makeLabel(this, "sourceFolderLabel", QStringLiteral("默认ISO/PBP打开目录:") + kSpaces, 4, 4);
    sourceFolderEdit_ = makeEdit(this, "sourceFolderEdit", 4, 20, 233, false);
    browseSourceFolderButton_ = makePickerButton(this, "browseSourceFolderButton", 240, 20);
    defaultOutputFolderLabel_ =
        makeLabel(this, "defaultOutputFolderLabel", QStringLiteral("默认ISO/PBP存放目录:") + kSpaces, 4, 48);
    defaultOutputFolderEdit_ = makeEdit(this, "defaultOutputFolderEdit", 4, 64, 233, false);
    browseDefaultOutputFolderButton_ = makePickerButton(this, "browseDefaultOutputFolderButton", 240, 64);
    imageFolderLabel_ = makeLabel(this, "imageFolderLabel", QStringLiteral("默认图标/音乐打开目录:") + kSpaces, 4, 92);
    imageFolderEdit_ = makeEdit(this, "imageFolderEdit", 4, 108, 233, false);
    browseImageFolderButton_ = makePickerButton(this, "browseImageFolderButton", 240, 108);
    compressionLevelLabel_ =
        makeLabel(this, "compressionLevelLabel", QStringLiteral("压缩比率: (0 to 9)") + kSpaces, 4, 136);
    compressionLevelEdit_ = makeEdit(this, "compressionLevelEdit", 4, 152, 259, true);
    folderOptionGroup_ = new QGroupBox(QStringLiteral(" 转换后自动生成文件夹  "), this);
    folderOptionGroup_->setObjectName(QStringLiteral("folderOptionGroup"));
    folderOptionGroup_->setGeometry(4, 180, 259, 117);
    noSubFolderRadio_ = makeRadio(folderOptionGroup_, "noSubFolderRadio", QStringLiteral("不建立任何文件夹"), 20, 145);
    discIdFolderRadio_ =
        makeRadio(folderOptionGroup_, "discIdFolderRadio", QStringLiteral("以存档ID命名文件夹"), 44, 157);
    titleFolderRadio_ =
        makeRadio(folderOptionGroup_, "titleFolderRadio", QStringLiteral("以游戏名称建立文件夹"), 68, 157);
    saveTitleFolderRadio_ =
        makeRadio(folderOptionGroup_, "saveTitleFolderRadio", QStringLiteral("以存档名称建立文件夹"), 92, 153);
    noSubFolderRadio_->setChecked(true);

    // Right column.
    warningLabel_ = makeLabel(this, "warningLabel", QStringLiteral("警告图片目录:    "), 276, 4);
    warningEdit_ = makeEdit(this, "warningEdit", 276, 20, 233, false);
    browseWarningButton_ = makePickerButton(this, "browseWarningButton", 512, 20);
    defaultWarningLabel_ = makeLabel(this, "defaultWarningLabel", QStringLiteral("默认警告图片目录:"), 276, 48);
    defaultWarningEdit_ = makeEdit(this, "defaultWarningEdit", 276, 64, 233, true);
    browseDefaultWarningButton_ = makePickerButton(this, "browseDefaultWarningButton", 512, 64);
    defaultIcon0Label_ = makeLabel(this, "defaultIcon0Label", QStringLiteral("默认图标目录:") + kSpaces, 276, 88);
    defaultIcon0NameLabel_ =
        makeRightAlignedLabel(this, "defaultIcon0NameLabel", QStringLiteral("ICON0.PNG"), 444, 88, 65);
    defaultIcon0Edit_ = makeEdit(this, "defaultIcon0Edit", 276, 104, 233, false);
    browseDefaultIcon0Button_ = makePickerButton(this, "browseDefaultIcon0Button", 512, 104);
    defaultPic1Label_ = makeLabel(this, "defaultPic1Label", QStringLiteral("默认背景图目录:") + kSpaces, 276, 132);
    defaultPic1NameLabel_ =
        makeRightAlignedLabel(this, "defaultPic1NameLabel", QStringLiteral("PIC1.PNG"), 456, 132, 53);
    defaultPic1Edit_ = makeEdit(this, "defaultPic1Edit", 276, 148, 233, true);
    browseDefaultPic1Button_ = makePickerButton(this, "browseDefaultPic1Button", 512, 148);
    defaultPic0Label_ = makeLabel(this, "defaultPic0Label", QStringLiteral("默认信息图目录:") + kSpaces, 276, 172);
    defaultPic0NameLabel_ =
        makeRightAlignedLabel(this, "defaultPic0NameLabel", QStringLiteral("PIC0.PNG"), 456, 172, 53);
    defaultPic0Edit_ = makeEdit(this, "defaultPic0Edit", 276, 188, 233, true);
    browseDefaultPic0Button_ = makePickerButton(this, "browseDefaultPic0Button", 512, 188);
    defaultSnd0Label_ = makeLabel(this, "defaultSnd0Label", QStringLiteral("默认背景音乐目录:") + kSpaces, 276, 216);
    defaultSnd0NameLabel_ =
        makeRightAlignedLabel(this, "defaultSnd0NameLabel", QStringLiteral("SND0.AT3"), 452, 216, 57);
    defaultSnd0Edit_ = makeEdit(this, "defaultSnd0Edit", 276, 232, 233, true);
    browseDefaultSnd0Button_ = makePickerButton(this, "browseDefaultSnd0Button", 512, 232);
    defaultIcon1Label_ = makeLabel(this, "defaultIcon1Label", QStringLiteral("默认动画图标目录:") + kSpaces, 276, 260);
    defaultIcon1NameLabel_ =
        makeRightAlignedLabel(this, "defaultIcon1NameLabel", QStringLiteral("ICON1.PMF"), 448, 260, 61);
    defaultIcon1Edit_ = makeEdit(this, "defaultIcon1Edit", 276, 276, 233, true);
    browseDefaultIcon1Button_ = makePickerButton(this, "browseDefaultIcon1Button", 512, 276);
    donateButton_ = makeButton(this, "donateButton", QStringLiteral("捐助 (PayPal)"), 276, 308, 97);
    cancelButton_ = makeButton(this, "cancelButton", QStringLiteral("取消"), 380, 308, 75);
    saveButton_ = makeButton(this, "saveButton", QStringLiteral("保存"), 460, 308, 75);

    // The group box takes no focus itself: its radio buttons stand in its place.
    QWidget* tabOrder[] = {
        warningEdit_,      sourceFolderEdit_,        imageFolderEdit_,     noSubFolderRadio_, discIdFolderRadio_,
        titleFolderRadio_, saveTitleFolderRadio_,    defaultWarningEdit_,  defaultIcon0Edit_, defaultPic1Edit_,
        defaultPic0Edit_,  defaultSnd0Edit_,         defaultIcon1Edit_,    donateButton_,     cancelButton_,
        saveButton_,       defaultOutputFolderEdit_, compressionLevelEdit_};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    // The first showing starts at the head of the tab order; later ones where the user left.
    warningEdit_->setFocus();
}

void OptionsWindow::connectHandlers() {
    connect(browseImageFolderButton_, &QToolButton::clicked, this, &OptionsWindow::onBrowseImageFolder);
    connect(browseSourceFolderButton_, &QToolButton::clicked, this, &OptionsWindow::onBrowseSourceFolder);
    connect(browseDefaultPic1Button_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultPic1);
    connect(browseDefaultIcon0Button_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultIcon0);
    connect(browseDefaultPic0Button_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultPic0);
    connect(browseDefaultIcon1Button_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultIcon1);
    connect(browseDefaultSnd0Button_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultSnd0);
    connect(browseWarningButton_, &QToolButton::clicked, this, &OptionsWindow::onBrowseWarning);
    connect(browseDefaultWarningButton_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultWarning);
    connect(browseDefaultOutputFolderButton_, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultOutputFolder);
    connect(saveButton_, &QPushButton::clicked, this, &OptionsWindow::onSave);
    connect(cancelButton_, &QPushButton::clicked, this, &OptionsWindow::onCancel);
    connect(donateButton_, &QPushButton::clicked, this, &OptionsWindow::onDonate);
}

void OptionsWindow::fitToControls() {
    setFixedSize(saveButton_->x() + saveButton_->width() + 4, saveButton_->y() + saveButton_->height() + 4);
}

void OptionsWindow::loadOptions() { session_.loadOptions(); }

void OptionsWindow::saveOptions() {
    if (const Status saved = session_.saveOptions(); !saved) {
        dialogs_.showMessage(this, toQt(saved.error().message), QString::fromUtf8(kProgramTitle));
    }
}

void OptionsWindow::pickFolder(Field field, const QString& prompt) {
    const QString current = toQt(session_.fields().text(field));
    const QString start = QFileInfo(current).isDir() ? current : QString();
    const QString chosen = dialogs_.browseForFolder(this, prompt, start);
    if (!chosen.isEmpty()) session_.fields().setPath(field, toUtf8(chosen));
}

void OptionsWindow::pickFile(Field field) {
    pickFileIntoField(dialogs_, this, pictureDialog_, session_.fields(), field, pickerFilter(field));
}

void OptionsWindow::onBrowseSourceFolder() {
    pickFolder(Field::sourceFolder, QStringLiteral("Select default ISO/PBP folder:"));
}
void OptionsWindow::onBrowseDefaultOutputFolder() {
    pickFolder(Field::defaultOutputFolder, QStringLiteral("Select default output ISO/PBP folder:"));
}
void OptionsWindow::onBrowseImageFolder() {
    pickFolder(Field::imageFolder, QStringLiteral("Select default image/sound folder:"));
}
void OptionsWindow::onBrowseWarning() { pickFile(Field::warning); }
void OptionsWindow::onBrowseDefaultWarning() { pickFile(Field::defaultWarning); }
void OptionsWindow::onBrowseDefaultIcon0() { pickFile(Field::defaultIcon0); }
void OptionsWindow::onBrowseDefaultPic1() { pickFile(Field::defaultPic1); }
void OptionsWindow::onBrowseDefaultPic0() { pickFile(Field::defaultPic0); }
void OptionsWindow::onBrowseDefaultSnd0() { pickFile(Field::defaultSnd0); }
void OptionsWindow::onBrowseDefaultIcon1() { pickFile(Field::defaultIcon1); }

void OptionsWindow::onSave() {
    saveOptions();
    accept();
}

void OptionsWindow::onCancel() {
    loadOptions();
    reject();
}

QUrl OptionsWindow::donationUrl() {
    return QUrl::fromEncoded(
        "https://www.paypal.com/cgi-bin/webscr?cmd=_xclick&business=donateButton_%40quillon.example"
        "&item_name=Quillon&no_shipping=1&no_note=1&tax=0&currency_code=USD&lc=SE"
        "&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

void OptionsWindow::onDonate() { dialogs_.openUrl(donationUrl()); }

}  // namespace quillon
