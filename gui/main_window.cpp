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
#include "state/artwork_kinds.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

constexpr int kRegionRightEdge = 263;

}  // namespace

TForm1::TForm1(const ProgramFolder& folder, Dialogs& dialogs)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillon \u2014 English interface by the Quillon team"));
    host_ = std::make_unique<WindowHost>(*this, dialogs_);
    session_ = std::make_unique<Session>(folder, *host_);
    tool_ = std::make_unique<QtToolProcess>();
    createControls();
    bindFields();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::createControls() {
    // Left column.
    Label5 = makeLabel(this, "Label5", QStringLiteral("选择ISO/PBP目录:\u3000\u3000"), 4, 4);
    srcIso = makeEdit(this, "srcIso", 4, 20, 233, false);
    SpeedButton4 = makeSpeedButton(this, "SpeedButton4", 240, 20);
    Label6 = makeLabel(this, "Label6", QStringLiteral("PBP输出目录:\u3000\u3000"), 4, 48);
    dstPbp = makeEdit(this, "dstPbp", 4, 64, 233, true);
    SpeedButton5 = makeSpeedButton(this, "SpeedButton5", 240, 64);
    Label4 = makeLabel(this, "Label4", QStringLiteral("游戏名称:\u3000\u3000"), 4, 92);
    region = new QLabel(this);
    region->setObjectName(QStringLiteral("region"));
    region->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    region->setGeometry(185, 92, kRegionRightEdge - 185, 13);
    labelText = makeEdit(this, "labelText", 4, 108, 259, true);
    Label11 = makeLabel(this, "Label11", QStringLiteral("存档名称:\u3000\u3000"), 4, 136);
    saveTitle = makeEdit(this, "saveTitle", 4, 152, 259, true);
    Label7 = makeLabel(this, "Label7", QStringLiteral("存档ID:\u3000\u3000"), 4, 180);
    saveID_l = new QComboBox(this);
    saveID_l->setObjectName(QStringLiteral("saveID_l"));
    saveID_l->setEditable(true);
    saveID_l->setInsertPolicy(QComboBox::NoInsert);
    saveID_l->setGeometry(4, 196, 89, 21);
    saveID_l->addItem(QString());
    for (std::string_view prefix : kKnownIdPrefixes) {
        saveID_l->addItem(QString::fromLatin1(prefix.data(), static_cast<qsizetype>(prefix.size())));
    }
    saveID = makeEdit(this, "saveID", 96, 196, 167, true);
    Options = makeButton(this, "Options", QStringLiteral("设置..."), 4, 226);
    saveIso = makeButton(this, "saveIso", QStringLiteral("转换为ISO"), 108, 226);
    convert = makeButton(this, "convert", QStringLiteral("转换"), 188, 226);

    // Right column.
    Label2 = makeLabel(this, "Label2", QStringLiteral("图标目录:\u3000\u3000"), 276, 4);
    Label12 = makeRightAlignedLabel(this, "Label12", QStringLiteral("ICON0.PNG"), 420, 4, 89);
    icon0 = makeEdit(this, "icon0", 276, 20, 233, false);
    SpeedButton2 = makeSpeedButton(this, "SpeedButton2", 512, 20);
    Label1 = makeLabel(this, "Label1", QStringLiteral("背景图目录:\u3000\u3000"), 276, 48);
    Label13 = makeRightAlignedLabel(this, "Label13", QStringLiteral("PIC1.PNG"), 416, 48, 93);
    pic1 = makeEdit(this, "pic1", 276, 64, 233, true);
    SpeedButton1 = makeSpeedButton(this, "SpeedButton1", 512, 64);
    Label3 = makeLabel(this, "Label3", QStringLiteral("信息图目录:\u3000\u3000"), 276, 92);
    Label14 = makeRightAlignedLabel(this, "Label14", QStringLiteral("PIC0.PNG"), 424, 92, 85);
    unknown = makeEdit(this, "unknown", 276, 108, 233, true);
    SpeedButton3 = makeSpeedButton(this, "SpeedButton3", 512, 108);
    Label9 = makeLabel(this, "Label9", QStringLiteral("背景音乐目录:\u3000\u3000"), 276, 136);
    Label15 = makeRightAlignedLabel(this, "Label15", QStringLiteral("SND0.AT3"), 420, 136, 89);
    snd0 = makeEdit(this, "snd0", 276, 152, 233, true);
    SpeedButton7 = makeSpeedButton(this, "SpeedButton7", 512, 152);
    Label8 = makeLabel(this, "Label8", QStringLiteral("动画图标:\u3000\u3000"), 276, 180);
    Label16 = makeRightAlignedLabel(this, "Label16", QStringLiteral("ICON1.PMF"), 420, 180, 89);
    icon1 = makeEdit(this, "icon1", 276, 196, 233, true);
    SpeedButton6 = makeSpeedButton(this, "SpeedButton6", 512, 196);
    palFix = new QCheckBox(QStringLiteral("PAL转NTSC"), this);
    palFix->setObjectName(QStringLiteral("palFix"));
    palFix->setGeometry(276, 228, 81, 17);
    Label10 = makeLabel(this, "Label10", QStringLiteral("Quillon team"), 380, 233);
    preview = makeButton(this, "preview", QStringLiteral("预览"), 460, 226);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    OpenDialogDiv.filter = QString::fromLatin1(kPngFilter);
    OpenDialogIso.filter = QStringLiteral(
        "Supported Files|*.iso;*.img;*.bin;*.cue;*.chd;*.m3u;*.pbp|ISO Files|*.iso|IMG Files|*.img|"
        "BIN Files|*.bin|CUE Sheets|*.cue|CHD Images|*.chd|M3U Playlists|*.m3u|PBP Files|*.pbp");
    SaveDialogIso.filter = QStringLiteral("ISO Files|*.ISO");

    QWidget* tabOrder[] = {srcIso,  dstPbp, labelText, saveTitle, saveID_l, saveID, Options, saveIso,
                           convert, icon0,  pic1,      unknown,   snd0,     icon1,  palFix,  preview};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TForm1::bindFields() {
    binding_ = std::make_unique<FieldBinding>(fields());
    const std::pair<Field, LineEdit*> edits[] = {
        {Field::sourcePath, srcIso},   {Field::outputFolder, dstPbp}, {Field::title, labelText},
        {Field::saveTitle, saveTitle}, {Field::discIdNumber, saveID}, {Field::icon0, icon0},
        {Field::pic0, unknown},        {Field::pic1, pic1},           {Field::snd0, snd0},
        {Field::icon1, icon1},
    };
    for (const auto& [field, edit] : edits) binding_->bind(field, edit);
    binding_->bind(Field::discIdPrefix, saveID_l);
    binding_->bind(Field::regionCaption, [this](const QString& caption) { setRegionCaption(caption); });
    binding_->bindPalFix(palFix);
    fields().setReaction(FieldTrigger::RedrawPreview, [this] { ComposePreview(); });
}

void TForm1::connectHandlers() {
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm1::SpeedButton7Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm1::SpeedButton6Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);
    connect(preview, &QPushButton::clicked, this, &TForm1::previewClick);
    connect(Options, &QPushButton::clicked, this, &TForm1::OptionsClick);
    connect(convert, &QPushButton::clicked, this, &TForm1::convertClick);
    connect(saveIso, &QPushButton::clicked, this, &TForm1::saveIsoClick);
}

void TForm1::FormCreate() {
    saveID_l->setCurrentIndex(0);
    const int clientWidth = preview->x() + preview->width() + 4;
    const int clientHeight = preview->y() + preview->height() + 19 + 5;
    setFixedSize(clientWidth, clientHeight);
    StatusBar1->setGeometry(0, clientHeight - 19, clientWidth, 19);
    session_->loadGameList();
}

void TForm1::attachWindows(TForm3* previewWindow, TForm4* optionsWindow) {
    previewWindow_ = previewWindow;
    optionsWindow_ = optionsWindow;
}

void TForm1::setRegionCaption(const QString& caption) {
    region->setText(caption);
    const QSize hint = region->sizeHint();
    region->setGeometry(kRegionRightEdge - hint.width(), region->y(), hint.width(), hint.height());
}

void TForm1::ComposePreview() {
    if (previewWindow_) previewWindow_->ComposePreview();
}

// An artwork picker: an empty field opens in the default image folder, a filled one
// presets its path.
void TForm1::pickArtwork(Field field) {
    const std::string initialDir = fields().text(Field::imageFolder) + kPathSeparator;
    pickFileIntoField(dialogs_, this, OpenDialogDiv, fields(), field, pickerFilter(field), toQt(initialDir));
}

void TForm1::SpeedButton2Click() { pickArtwork(Field::icon0); }
void TForm1::SpeedButton1Click() { pickArtwork(Field::pic1); }
void TForm1::SpeedButton3Click() { pickArtwork(Field::pic0); }
void TForm1::SpeedButton7Click() { pickArtwork(Field::snd0); }
void TForm1::SpeedButton6Click() { pickArtwork(Field::icon1); }

void TForm1::SpeedButton4Click() {
    // An empty source field opens in the default source folder, not at the last pick.
    pickFileIntoField(dialogs_, this, OpenDialogIso, fields(), Field::sourcePath, OpenDialogIso.filter,
                      toQt(fields().text(Field::sourceFolder)));
}

void TForm1::SpeedButton5Click() {
    const QString chosen = dialogs_.browseForFolder(this, QStringLiteral("Select output PBP folder:"),
                                                    toQt(fields().text(Field::outputFolder)));
    if (!chosen.isEmpty()) chooseOutputFolder(fields(), toUtf8(chosen));
}

void TForm1::previewClick() {
    if (!previewWindow_) return;
    previewWindow_->show();
    previewWindow_->raise();
    previewWindow_->activateWindow();
}

void TForm1::OptionsClick() {
    if (optionsWindow_) optionsWindow_->exec();
}

bool TForm1::handleAbortClick(QPushButton* button, Operation operation) {
    if (busy().running() != operation) return false;
    busy().requestAbort();
    button->setEnabled(false);
    return true;
}

void TForm1::convertClick() {
    if (handleAbortClick(convert, Operation::Convert)) return;
    session_->convert(*tool_);
}

void TForm1::saveIsoClick() {
    if (handleAbortClick(saveIso, Operation::Extract)) return;
    session_->extract();
}

}  // namespace quillon
