#include "gui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "common/file_io.h"
#include "gui/field_binding.h"
#include "gui/line_edit.h"
#include "gui/options_window.h"
#include "gui/preview_window.h"
#include "gui/qt_text.h"
#include "gui/widgets.h"
#include "process/qt_tool_process.h"
#include "source/disc_id.h"
#include "source/source_kinds.h"
#include "state/artwork_kinds.h"
#include "state/busy_state.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

constexpr int kRegionRightEdge = 263;

}  // namespace

MainWindow::MainWindow(const ProgramFolder& folder, Dialogs& dialogs)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quillon \u2014 English interface by the Quillon team"));
    host_ = std::make_unique<WindowHost>(*this, dialogs_);
    session_ = std::make_unique<Session>(folder, *host_);
    tool_ = std::make_unique<QtToolProcess>();
    createControls();
    bindFields();
    connectHandlers();
    finishSetUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    // Left column.
    sourcePathLabel_ = makeLabel(this, "sourcePathLabel", QStringLiteral("选择ISO/PBP目录:\u3000\u3000"), 4, 4);
    sourcePathEdit_ = makeEdit(this, "sourcePathEdit", 4, 20, 233, false);
    browseSourceButton_ = makePickerButton(this, "browseSourceButton", 240, 20);
    outputFolderLabel_ = makeLabel(this, "outputFolderLabel", QStringLiteral("PBP输出目录:\u3000\u3000"), 4, 48);
    outputFolderEdit_ = makeEdit(this, "outputFolderEdit", 4, 64, 233, true);
    browseOutputFolderButton_ = makePickerButton(this, "browseOutputFolderButton", 240, 64);
    titleLabel_ = makeLabel(this, "titleLabel", QStringLiteral("游戏名称:\u3000\u3000"), 4, 92);
    regionLabel_ = new QLabel(this);
    regionLabel_->setObjectName(QStringLiteral("regionLabel"));
    regionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    regionLabel_->setGeometry(185, 92, kRegionRightEdge - 185, 13);
    titleEdit_ = makeEdit(this, "titleEdit", 4, 108, 259, true);
    saveTitleLabel_ = makeLabel(this, "saveTitleLabel", QStringLiteral("存档名称:\u3000\u3000"), 4, 136);
    saveTitleEdit_ = makeEdit(this, "saveTitleEdit", 4, 152, 259, true);
    discIdLabel_ = makeLabel(this, "discIdLabel", QStringLiteral("存档ID:\u3000\u3000"), 4, 180);
    discIdPrefixCombo_ = new QComboBox(this);
    discIdPrefixCombo_->setObjectName(QStringLiteral("discIdPrefixCombo"));
    discIdPrefixCombo_->setEditable(true);
    discIdPrefixCombo_->setInsertPolicy(QComboBox::NoInsert);
    discIdPrefixCombo_->setGeometry(4, 196, 89, 21);
    discIdPrefixCombo_->addItem(QString());
    for (std::string_view prefix : kKnownIdPrefixes) {
        discIdPrefixCombo_->addItem(QString::fromLatin1(prefix.data(), static_cast<qsizetype>(prefix.size())));
    }
    discIdNumberEdit_ = makeEdit(this, "discIdNumberEdit", 96, 196, 167, true);
    optionsButton_ = makeButton(this, "optionsButton", QStringLiteral("设置..."), 4, 226);
    extractButton_ = makeButton(this, "extractButton", QStringLiteral("转换为ISO"), 108, 226);
    convertButton_ = makeButton(this, "convertButton", QStringLiteral("转换"), 188, 226);

    // Right column.
    icon0Label_ = makeLabel(this, "icon0Label", QStringLiteral("图标目录:\u3000\u3000"), 276, 4);
    icon0NameLabel_ = makeRightAlignedLabel(this, "icon0NameLabel", QStringLiteral("ICON0.PNG"), 420, 4, 89);
    icon0Edit_ = makeEdit(this, "icon0Edit", 276, 20, 233, false);
    browseIcon0Button_ = makePickerButton(this, "browseIcon0Button", 512, 20);
    pic1Label_ = makeLabel(this, "pic1Label", QStringLiteral("背景图目录:\u3000\u3000"), 276, 48);
    pic1NameLabel_ = makeRightAlignedLabel(this, "pic1NameLabel", QStringLiteral("PIC1.PNG"), 416, 48, 93);
    pic1Edit_ = makeEdit(this, "pic1Edit", 276, 64, 233, true);
    browsePic1Button_ = makePickerButton(this, "browsePic1Button", 512, 64);
    pic0Label_ = makeLabel(this, "pic0Label", QStringLiteral("信息图目录:\u3000\u3000"), 276, 92);
    pic0NameLabel_ = makeRightAlignedLabel(this, "pic0NameLabel", QStringLiteral("PIC0.PNG"), 424, 92, 85);
    pic0Edit_ = makeEdit(this, "pic0Edit", 276, 108, 233, true);
    browsePic0Button_ = makePickerButton(this, "browsePic0Button", 512, 108);
    snd0Label_ = makeLabel(this, "snd0Label", QStringLiteral("背景音乐目录:\u3000\u3000"), 276, 136);
    snd0NameLabel_ = makeRightAlignedLabel(this, "snd0NameLabel", QStringLiteral("SND0.AT3"), 420, 136, 89);
    snd0Edit_ = makeEdit(this, "snd0Edit", 276, 152, 233, true);
    browseSnd0Button_ = makePickerButton(this, "browseSnd0Button", 512, 152);
    icon1Label_ = makeLabel(this, "icon1Label", QStringLiteral("动画图标:\u3000\u3000"), 276, 180);
    icon1NameLabel_ = makeRightAlignedLabel(this, "icon1NameLabel", QStringLiteral("ICON1.PMF"), 420, 180, 89);
    icon1Edit_ = makeEdit(this, "icon1Edit", 276, 196, 233, true);
    browseIcon1Button_ = makePickerButton(this, "browseIcon1Button", 512, 196);
    palFixCheckBox_ = new QCheckBox(QStringLiteral("PAL转NTSC"), this);
    palFixCheckBox_->setObjectName(QStringLiteral("palFixCheckBox"));
    palFixCheckBox_->setGeometry(276, 228, 81, 17);
    creditLabel_ = makeLabel(this, "creditLabel", QStringLiteral("Quillon team"), 380, 233);
    previewButton_ = makeButton(this, "previewButton", QStringLiteral("预览"), 460, 226);
    statusLine_ = new QStatusBar(this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setSizeGripEnabled(false);

    artworkDialog_.filter = QString::fromLatin1(kPngFilter);
    sourceDialog_.filter = QString::fromStdString(sourcePickerFilter());
    extractDialog_.filter = QStringLiteral("ISO Files|*.ISO");

    QWidget* tabOrder[] = {sourcePathEdit_,    outputFolderEdit_, titleEdit_,      saveTitleEdit_,
                           discIdPrefixCombo_, discIdNumberEdit_, optionsButton_,  extractButton_,
                           convertButton_,     icon0Edit_,        pic1Edit_,       pic0Edit_,
                           snd0Edit_,          icon1Edit_,        palFixCheckBox_, previewButton_};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void MainWindow::bindFields() {
    binding_ = std::make_unique<FieldBinding>(fields());
    const std::pair<Field, LineEdit*> edits[] = {
        {Field::sourcePath, sourcePathEdit_},
        {Field::outputFolder, outputFolderEdit_},
        {Field::title, titleEdit_},
        {Field::saveTitle, saveTitleEdit_},
        {Field::discIdNumber, discIdNumberEdit_},
        {Field::icon0, icon0Edit_},
        {Field::pic0, pic0Edit_},
        {Field::pic1, pic1Edit_},
        {Field::snd0, snd0Edit_},
        {Field::icon1, icon1Edit_},
    };
    for (const auto& [field, edit] : edits) binding_->bind(field, edit);
    binding_->bind(Field::discIdPrefix, discIdPrefixCombo_);
    binding_->bind(Field::regionCaption, [this](const QString& caption) { setRegionCaption(caption); });
    binding_->bindPalFix(palFixCheckBox_);
    fields().setReaction(FieldTrigger::RedrawPreview, [this] { composePreview(); });
}

void MainWindow::connectHandlers() {
    connect(browseSourceButton_, &QToolButton::clicked, this, &MainWindow::onBrowseSource);
    connect(browseIcon0Button_, &QToolButton::clicked, this, &MainWindow::onBrowseIcon0);
    connect(browsePic1Button_, &QToolButton::clicked, this, &MainWindow::onBrowsePic1);
    connect(browsePic0Button_, &QToolButton::clicked, this, &MainWindow::onBrowsePic0);
    connect(browseSnd0Button_, &QToolButton::clicked, this, &MainWindow::onBrowseSnd0);
    connect(browseIcon1Button_, &QToolButton::clicked, this, &MainWindow::onBrowseIcon1);
    connect(browseOutputFolderButton_, &QToolButton::clicked, this, &MainWindow::onBrowseOutputFolder);
    connect(previewButton_, &QPushButton::clicked, this, &MainWindow::onShowPreview);
    connect(optionsButton_, &QPushButton::clicked, this, &MainWindow::onShowOptions);
    connect(convertButton_, &QPushButton::clicked, this, &MainWindow::onConvert);
    connect(extractButton_, &QPushButton::clicked, this, &MainWindow::onExtract);
}

void MainWindow::finishSetUp() {
    discIdPrefixCombo_->setCurrentIndex(0);
    const int clientWidth = previewButton_->x() + previewButton_->width() + 4;
    const int clientHeight = previewButton_->y() + previewButton_->height() + 19 + 5;
    setFixedSize(clientWidth, clientHeight);
    statusLine_->setGeometry(0, clientHeight - 19, clientWidth, 19);
    session_->loadGameList();
}

void MainWindow::attachWindows(PreviewWindow* previewWindow, OptionsWindow* optionsWindow) {
    previewWindow_ = previewWindow;
    optionsWindow_ = optionsWindow;
}

void MainWindow::setRegionCaption(const QString& caption) {
    regionLabel_->setText(caption);
    const QSize hint = regionLabel_->sizeHint();
    regionLabel_->setGeometry(kRegionRightEdge - hint.width(), regionLabel_->y(), hint.width(), hint.height());
}

void MainWindow::showStatus(const QString& text) { statusLine_->showMessage(text); }

std::array<QWidget*, 22> MainWindow::busyControls() const {
    return {sourcePathEdit_,    browseSourceButton_, pic1Edit_,         browsePic1Button_,  icon0Edit_,
            browseIcon0Button_, pic0Edit_,           browsePic0Button_, outputFolderEdit_,  browseOutputFolderButton_,
            discIdNumberEdit_,  titleEdit_,          convertButton_,    discIdPrefixCombo_, icon1Edit_,
            snd0Edit_,          browseIcon1Button_,  browseSnd0Button_, extractButton_,     saveTitleEdit_,
            previewButton_,     palFixCheckBox_};
}

void MainWindow::showBusy(Operation operation) {
    QPushButton* own = operation == Operation::Convert ? convertButton_ : extractButton_;
    own->setText(QString::fromLatin1(kAbortCaption));
    for (QWidget* control : busyControls()) {
        if (control != own) control->setEnabled(false);
    }
    setCursor(Qt::WaitCursor);
}

void MainWindow::showIdle() {
    unsetCursor();
    for (QWidget* control : busyControls()) control->setEnabled(true);
    extractButton_->setText(QStringLiteral("Extract ISO"));
    convertButton_->setText(QStringLiteral("Convert"));
}

std::optional<QString> MainWindow::chooseExtractFile(const QString& initialFolder) {
    extractDialog_.initialDir = initialFolder;
    return dialogs_.saveFile(this, extractDialog_);
}

void MainWindow::composePreview() {
    if (previewWindow_) previewWindow_->composePreview();
}

// An artwork picker: an empty field opens in the default image folder, a filled one
// presets its path.
void MainWindow::pickArtwork(Field field) {
    const std::string initialDir = fields().text(Field::imageFolder) + kPathSeparator;
    pickFileIntoField(dialogs_, this, artworkDialog_, fields(), field, pickerFilter(field), toQt(initialDir));
}

void MainWindow::onBrowseIcon0() { pickArtwork(Field::icon0); }
void MainWindow::onBrowsePic1() { pickArtwork(Field::pic1); }
void MainWindow::onBrowsePic0() { pickArtwork(Field::pic0); }
void MainWindow::onBrowseSnd0() { pickArtwork(Field::snd0); }
void MainWindow::onBrowseIcon1() { pickArtwork(Field::icon1); }

void MainWindow::onBrowseSource() {
    // An empty source field opens in the default source folder, not at the last pick.
    pickFileIntoField(dialogs_, this, sourceDialog_, fields(), Field::sourcePath, sourceDialog_.filter,
                      toQt(fields().text(Field::sourceFolder)));
}

void MainWindow::onBrowseOutputFolder() {
    const QString chosen = dialogs_.browseForFolder(this, QStringLiteral("Select output PBP folder:"),
                                                    toQt(fields().text(Field::outputFolder)));
    if (!chosen.isEmpty()) chooseOutputFolder(fields(), toUtf8(chosen));
}

void MainWindow::onShowPreview() {
    if (!previewWindow_) return;
    previewWindow_->show();
    previewWindow_->raise();
    previewWindow_->activateWindow();
}

void MainWindow::onShowOptions() {
    if (optionsWindow_) optionsWindow_->exec();
}

bool MainWindow::handleAbortClick(QPushButton* button, Operation operation) {
    if (busy().running() != operation) return false;
    busy().requestAbort();
    button->setEnabled(false);
    return true;
}

void MainWindow::onConvert() {
    if (handleAbortClick(convertButton_, Operation::Convert)) return;
    session_->convert(*tool_);
}

void MainWindow::onExtract() {
    if (handleAbortClick(extractButton_, Operation::Extract)) return;
    session_->extract();
}

}  // namespace quillon
