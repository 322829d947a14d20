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
        {Field::sourceFolder, sourceFolderEdit}, {Field::defaultOutputFolder, defaultOutputFolderEdit},
        {Field::imageFolder, imageFolderEdit},   {Field::compressionLevel, compressionLevelEdit},
        {Field::warning, warningEdit},           {Field::defaultWarning, defaultWarningEdit},
        {Field::defaultIcon0, defaultIcon0Edit}, {Field::defaultPic1, defaultPic1Edit},
        {Field::defaultPic0, defaultPic0Edit},   {Field::defaultSnd0, defaultSnd0Edit},
        {Field::defaultIcon1, defaultIcon1Edit},
    };
    for (const auto& [field, edit] : edits) binding_->bind(field, edit);
    binding_->bindFolderOptions({noSubFolderRadio, discIdFolderRadio, titleFolderRadio, saveTitleFolderRadio});
}

void OptionsWindow::createControls() {
    // Left column.
    sourceFolderLabel = makeLabel(this, "sourceFolderLabel", QStringLiteral("默认ISO/PBP打开目录:") + kSpaces, 4, 4);
    sourceFolderEdit = makeEdit(this, "sourceFolderEdit", 4, 20, 233, false);
    browseSourceFolderButton = makeSpeedButton(this, "browseSourceFolderButton", 240, 20);
    defaultOutputFolderLabel =
        makeLabel(this, "defaultOutputFolderLabel", QStringLiteral("默认ISO/PBP存放目录:") + kSpaces, 4, 48);
    defaultOutputFolderEdit = makeEdit(this, "defaultOutputFolderEdit", 4, 64, 233, false);
    browseDefaultOutputFolderButton = makeSpeedButton(this, "browseDefaultOutputFolderButton", 240, 64);
    imageFolderLabel = makeLabel(this, "imageFolderLabel", QStringLiteral("默认图标/音乐打开目录:") + kSpaces, 4, 92);
    imageFolderEdit = makeEdit(this, "imageFolderEdit", 4, 108, 233, false);
    browseImageFolderButton = makeSpeedButton(this, "browseImageFolderButton", 240, 108);
    compressionLevelLabel =
        makeLabel(this, "compressionLevelLabel", QStringLiteral("压缩比率: (0 to 9)") + kSpaces, 4, 136);
    compressionLevelEdit = makeEdit(this, "compressionLevelEdit", 4, 152, 259, true);
    folderOptionGroup = new QGroupBox(QStringLiteral(" 转换后自动生成文件夹  "), this);
    folderOptionGroup->setObjectName(QStringLiteral("folderOptionGroup"));
    folderOptionGroup->setGeometry(4, 180, 259, 117);
    noSubFolderRadio = makeRadio(folderOptionGroup, "noSubFolderRadio", QStringLiteral("不建立任何文件夹"), 20, 145);
    discIdFolderRadio =
        makeRadio(folderOptionGroup, "discIdFolderRadio", QStringLiteral("以存档ID命名文件夹"), 44, 157);
    titleFolderRadio =
        makeRadio(folderOptionGroup, "titleFolderRadio", QStringLiteral("以游戏名称建立文件夹"), 68, 157);
    saveTitleFolderRadio =
        makeRadio(folderOptionGroup, "saveTitleFolderRadio", QStringLiteral("以存档名称建立文件夹"), 92, 153);
    noSubFolderRadio->setChecked(true);

    // Right column.
    warningLabel = makeLabel(this, "warningLabel", QStringLiteral("警告图片目录:    "), 276, 4);
    warningEdit = makeEdit(this, "warningEdit", 276, 20, 233, false);
    browseWarningButton = makeSpeedButton(this, "browseWarningButton", 512, 20);
    defaultWarningLabel = makeLabel(this, "defaultWarningLabel", QStringLiteral("默认警告图片目录:"), 276, 48);
    defaultWarningEdit = makeEdit(this, "defaultWarningEdit", 276, 64, 233, true);
    browseDefaultWarningButton = makeSpeedButton(this, "browseDefaultWarningButton", 512, 64);
    defaultIcon0Label = makeLabel(this, "defaultIcon0Label", QStringLiteral("默认图标目录:") + kSpaces, 276, 88);
    defaultIcon0NameLabel =
        makeRightAlignedLabel(this, "defaultIcon0NameLabel", QStringLiteral("ICON0.PNG"), 444, 88, 65);
    defaultIcon0Edit = makeEdit(this, "defaultIcon0Edit", 276, 104, 233, false);
    browseDefaultIcon0Button = makeSpeedButton(this, "browseDefaultIcon0Button", 512, 104);
    defaultPic1Label = makeLabel(this, "defaultPic1Label", QStringLiteral("默认背景图目录:") + kSpaces, 276, 132);
    defaultPic1NameLabel =
        makeRightAlignedLabel(this, "defaultPic1NameLabel", QStringLiteral("PIC1.PNG"), 456, 132, 53);
    defaultPic1Edit = makeEdit(this, "defaultPic1Edit", 276, 148, 233, true);
    browseDefaultPic1Button = makeSpeedButton(this, "browseDefaultPic1Button", 512, 148);
    defaultPic0Label = makeLabel(this, "defaultPic0Label", QStringLiteral("默认信息图目录:") + kSpaces, 276, 172);
    defaultPic0NameLabel =
        makeRightAlignedLabel(this, "defaultPic0NameLabel", QStringLiteral("PIC0.PNG"), 456, 172, 53);
    defaultPic0Edit = makeEdit(this, "defaultPic0Edit", 276, 188, 233, true);
    browseDefaultPic0Button = makeSpeedButton(this, "browseDefaultPic0Button", 512, 188);
    defaultSnd0Label = makeLabel(this, "defaultSnd0Label", QStringLiteral("默认背景音乐目录:") + kSpaces, 276, 216);
    defaultSnd0NameLabel =
        makeRightAlignedLabel(this, "defaultSnd0NameLabel", QStringLiteral("SND0.AT3"), 452, 216, 57);
    defaultSnd0Edit = makeEdit(this, "defaultSnd0Edit", 276, 232, 233, true);
    browseDefaultSnd0Button = makeSpeedButton(this, "browseDefaultSnd0Button", 512, 232);
    defaultIcon1Label = makeLabel(this, "defaultIcon1Label", QStringLiteral("默认动画图标目录:") + kSpaces, 276, 260);
    defaultIcon1NameLabel =
        makeRightAlignedLabel(this, "defaultIcon1NameLabel", QStringLiteral("ICON1.PMF"), 448, 260, 61);
    defaultIcon1Edit = makeEdit(this, "defaultIcon1Edit", 276, 276, 233, true);
    browseDefaultIcon1Button = makeSpeedButton(this, "browseDefaultIcon1Button", 512, 276);
    donateButton = makeButton(this, "donateButton", QStringLiteral("捐助 (PayPal)"), 276, 308, 97);
    cancelButton = makeButton(this, "cancelButton", QStringLiteral("取消"), 380, 308, 75);
    saveButton = makeButton(this, "saveButton", QStringLiteral("保存"), 460, 308, 75);

    // The group box takes no focus itself: its radio buttons stand in its place.
    QWidget* tabOrder[] = {
        warningEdit,      sourceFolderEdit,        imageFolderEdit,     noSubFolderRadio, discIdFolderRadio,
        titleFolderRadio, saveTitleFolderRadio,    defaultWarningEdit,  defaultIcon0Edit, defaultPic1Edit,
        defaultPic0Edit,  defaultSnd0Edit,         defaultIcon1Edit,    donateButton,     cancelButton,
        saveButton,       defaultOutputFolderEdit, compressionLevelEdit};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    // The first showing starts at the head of the tab order; later ones where the user left.
    warningEdit->setFocus();
}

void OptionsWindow::connectHandlers() {
    connect(browseImageFolderButton, &QToolButton::clicked, this, &OptionsWindow::onBrowseImageFolder);
    connect(browseSourceFolderButton, &QToolButton::clicked, this, &OptionsWindow::onBrowseSourceFolder);
    connect(browseDefaultPic1Button, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultPic1);
    connect(browseDefaultIcon0Button, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultIcon0);
    connect(browseDefaultPic0Button, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultPic0);
    connect(browseDefaultIcon1Button, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultIcon1);
    connect(browseDefaultSnd0Button, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultSnd0);
    connect(browseWarningButton, &QToolButton::clicked, this, &OptionsWindow::onBrowseWarning);
    connect(browseDefaultWarningButton, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultWarning);
    connect(browseDefaultOutputFolderButton, &QToolButton::clicked, this, &OptionsWindow::onBrowseDefaultOutputFolder);
    connect(saveButton, &QPushButton::clicked, this, &OptionsWindow::onSave);
    connect(cancelButton, &QPushButton::clicked, this, &OptionsWindow::onCancel);
    connect(donateButton, &QPushButton::clicked, this, &OptionsWindow::onDonate);
}

void OptionsWindow::fitToControls() {
    setFixedSize(saveButton->x() + saveButton->width() + 4, saveButton->y() + saveButton->height() + 4);
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
    pickFileIntoField(dialogs_, this, pictureDialog, session_.fields(), field, pickerFilter(field));
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
        "https://www.paypal.com/cgi-bin/webscr?cmd=_xclick&business=donateButton%40quillon.example"
        "&item_name=Quillon&no_shipping=1&no_note=1&tax=0&currency_code=USD&lc=SE"
        "&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

void OptionsWindow::onDonate() { dialogs_.openUrl(donationUrl()); }

}  // namespace quillon
