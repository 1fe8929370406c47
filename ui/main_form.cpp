#include "ui/main_form.h"

#include "ui/picture_loading.h"

#include "engine/version.h"
#include "platform/shell.h"
#include "platform/system_clock.h"
#include "ui/color_swatch.h"
#include "ui/conversion_controller.h"
#include "ui/font_list.h"
#include "ui/footer_line.h"
#include "ui/homepage.h"
#include "ui/keyboard_access.h"
#include "ui/message_boxes.h"
#include "ui/output_commands.h"
#include "ui/preview_panel.h"
#include "ui/size_fields.h"
#include "ui/window_common_dialogs.h"
#include "ui/window_style.h"
#include "writers/output_writer_factory.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>

// The window's icons are compiled into its static library, whose resource
// table a linker keeps only when something names it.
static void loadWindowResources() {
    Q_INIT_RESOURCE(varnelo);
}

namespace varnelo {

namespace {

// Controls are created with an empty caption; applyTexts gives them theirs.
QLabel* makeLabel(QWidget* parent, int x, int y, int width = 0, int height = 0) {
    auto* label = new QLabel(parent);
    label->move(x, y);
    if (width > 0)
        label->resize(width, height);
    return label;
}

QPushButton* makeButton(QWidget* parent, int x, int y, int width, int height) {
    auto* button = new QPushButton(parent);
    button->setGeometry(x, y, width, height);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QRadioButton* makeRadio(QWidget* parent, int x, int y) {
    auto* radio = new QRadioButton(parent);
    radio->move(x, y);
    return radio;
}

QCheckBox* makeCheck(QWidget* parent, int x, int y) {
    auto* check = new QCheckBox(parent);
    check->move(x, y);
    return check;
}

QLineEdit* makeEdit(QWidget* parent, int x, int y, int width, int height, bool digitsOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(x, y, width, height);
    edit->setFrame(true);
    if (digitsOnly) {
        static const QRegularExpression digits(QStringLiteral("[0-9]*"));
        edit->setValidator(new QRegularExpressionValidator(digits, edit));
    }
    setFieldBackground(*edit, true);
    return edit;
}

QComboBox* makeList(QWidget* parent, int x, int y, int width) {
    auto* list = new QComboBox(parent);
    list->move(x, y);
    list->resize(width, 18);
    setFieldBackground(*list, true);
    return list;
}

QGroupBox* makeGroup(QWidget* parent, int x, int y, int width, int height) {
    auto* group = new QGroupBox(parent);
    group->setGeometry(x, y, width, height);
    group->setFlat(true);
    return group;
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/main-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

QRadioButton* modeRadioOf(const MainFormControls& controls, PixelTransformation mode) {
    switch (mode) {
    case PixelTransformation::RandomBinary:
        return controls.binaryCodeRadio;
    case PixelTransformation::RandomNumbers:
        return controls.numbersRadio;
    case PixelTransformation::RandomSmallLetters:
        return controls.smallLettersRadio;
    case PixelTransformation::RandomBigLetters:
        return controls.bigLettersRadio;
    case PixelTransformation::CustomText:
        return controls.customTextRadio;
    case PixelTransformation::TerminalBlocks:
        return controls.terminalBlocksRadio;
    case PixelTransformation::CustomRange:
        return controls.customRangeRadio;
    }
    return nullptr;
}

namespace {

template <typename Service, typename Real, typename... Arguments>
Service& serviceOr(Service* given, std::unique_ptr<Service>& own, Arguments&&... arguments) {
    if (given != nullptr)
        return *given;
    own = std::make_unique<Real>(std::forward<Arguments>(arguments)...);
    return *own;
}

} // namespace

MainForm::MainForm(MainFormServices services, QWidget* parent)
    : QWidget(parent), clock_(serviceOr<const Clock, SystemClock>(services.clock, ownClock_)),
      messages_(serviceOr<MessageBoxes, WindowMessageBoxes>(services.messages, ownMessages_, this)),
      shell_(serviceOr<Shell, DesktopShell>(services.shell, ownShell_)),
      dialogs_(serviceOr<CommonDialogs, WindowCommonDialogs>(services.dialogs, ownDialogs_, this)),
      makeWriter_(services.makeWriter ? std::move(services.makeWriter)
                                      : WriterFactory(makeOutputWriter)) {
    loadWindowResources();
    setWindowIcon(programIcon());
    applyWindowStyle(*this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(450, 492);
    setAcceptDrops(true);
    createControls();
    createCommandUnits();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ConversionView& view = *this;
    conversion_ = std::make_unique<ConversionController>(view, random_, clock_, makeWriter_);
    const auto makeLoading =
        services.makePictureLoading
            ? services.makePictureLoading
            : std::function<std::unique_ptr<PictureLoading>()>(makeThreadedPictureLoading);
    previewLoading_ = makeLoading();
    pictureLoading_ = makeLoading();
    initialiseState();
    connectEvents();
    setUpKeyboardAccess(controls_);
    controls_.openPictureButton->setFocus();
}

MainForm::~MainForm() = default;

void MainForm::createControls() {
    MainFormControls& c = controls_;
    c.statusLabel = makeLabel(this, 197, 427, 249, 15);
    c.outputFileLabel = makeLabel(this, 104, 2);
    c.footerLine = new FooterLine(shell_, this);
    c.footerLine->setGeometry(9, 475, 437, 16);
    c.openPictureButton = makeButton(this, 8, 8, 89, 22);
    c.transformationGroup = makeGroup(this, 8, 38, 437, 181);
    c.outputGroup = makeGroup(this, 8, 333, 439, 90);
    c.cancelButton = makeButton(this, 159, 446, 62, 22);
    c.cancelButton->setEnabled(false);
    c.exitButton = makeButton(this, 386, 446, 60, 22);
    c.createButton = makeButton(this, 7, 446, 145, 22);
    c.openOutputButton = makeButton(this, 261, 446, 113, 22);
    c.openOutputButton->setEnabled(false);
    c.progressBar = new QProgressBar(this);
    c.progressBar->setGeometry(8, 429, 185, 12);
    c.progressBar->setTextVisible(false);
    c.progressBar->setRange(0, 100);
    c.progressBar->setValue(0);
    c.previewPanel = new PreviewPanel(this);
    c.previewPanel->setGeometry(272, 120, 73, 85);
    c.previewPanel->hide();
    c.imageGroup = makeGroup(this, 8, 225, 437, 102);
    c.outputFileEdit = makeEdit(this, 104, 17, 313, 17, false);
    c.outputFileButton = makeButton(this, 421, 17, 20, 17);
    c.outputFileButton->setText(QStringLiteral("..."));

    createTransformationControls();
    createOutputControls();
    createImageControls();
}

void MainForm::createTransformationControls() {
    MainFormControls& c = controls_;
    const ConversionSettings defaults;
    QGroupBox* group = c.transformationGroup;
    c.backgroundColorLabel = makeLabel(group, 263, 115, 100, 54);
    c.backgroundColorLabel->setWordWrap(true);
    c.backgroundColorLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.fontSizeLabel = makeLabel(group, 8, 156);
    c.rangeToLabel = makeLabel(group, 382, 51);
    c.blockStrengthList = makeList(group, 349, 16, 78);
    setFieldEnabled(*c.blockStrengthList, false);
    c.customTextRadio = makeRadio(group, 8, 99);
    c.smallLettersRadio = makeRadio(group, 8, 57);
    c.bigLettersRadio = makeRadio(group, 8, 77);
    c.terminalBlocksRadio = makeRadio(group, 222, 17);
    c.binaryCodeRadio = makeRadio(group, 8, 17);
    c.numbersRadio = makeRadio(group, 8, 37);
    c.customRangeRadio = makeRadio(group, 222, 47);
    c.colorSwatch = new ColorSwatch(group);
    c.colorSwatch->setGeometry(368, 115, 50, 50);
    c.customTextEdit = makeEdit(group, 93, 101, 119, 17, false);
    setFieldBackground(*c.customTextEdit, false);
    c.rangeFromEdit = makeEdit(group, 347, 50, 27, 17, true);
    c.rangeFromEdit->setText(QString::number(defaults.rangeFrom));
    setFieldBackground(*c.rangeFromEdit, false);
    c.rangeToEdit = makeEdit(group, 402, 50, 27, 17, true);
    c.rangeToEdit->setText(QString::number(defaults.rangeTo));
    setFieldBackground(*c.rangeToEdit, false);
    c.fontList = new FontList(group);
    c.fontList->setGeometry(8, 126, 161, 18);
    QFont listFont(fontListFace(devicePixelRatioF()));
    listFont.setPixelSize(11);
    c.fontList->setFont(listFont);
    setFieldBackground(*c.fontList, true);
    c.fontSizeEdit = makeEdit(group, 74, 155, 25, 17, true);
    c.fontSizeEdit->setText(QString::number(defaults.fontSize));
    c.customTextFileButton = makeButton(group, 216, 101, 20, 17);
    c.customTextFileButton->setText(QStringLiteral("..."));
    modeRadioOf(c, defaults.transformation)->setChecked(true);
}

void MainForm::createOutputControls() {
    MainFormControls& c = controls_;
    const ConversionSettings defaults;
    QGroupBox* group = c.outputGroup;
    c.noOptionsLabel = makeLabel(group, 152, 55);
    QPalette shadowText = c.noOptionsLabel->palette();
    shadowText.setColor(QPalette::WindowText, palette().color(QPalette::Shadow));
    c.noOptionsLabel->setPalette(shadowText);
    c.qualityLabel = makeLabel(group, 139, 64);
    c.qualityLabel->hide();
    c.qualityLabel->setEnabled(false);
    c.saveBmpCheck = makeCheck(group, 10, 40);
    c.saveJpgCheck = makeCheck(group, 122, 40);
    c.savePngCheck = makeCheck(group, 242, 40);
    for (QCheckBox* check : {c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        check->hide();
    c.qualityEdit = makeEdit(group, 253, 64, 28, 17, true);
    c.qualityEdit->setText(QString::number(defaults.imageQuality));
    setFieldEnabled(*c.qualityEdit, false);
    c.qualityEdit->hide();
    c.imageRadio = makeRadio(group, 369, 16);
    c.rtfRadio = makeRadio(group, 279, 16);
    c.plainHtmlRadio = makeRadio(group, 8, 16);
    c.cssHtmlRadio = makeRadio(group, 135, 16);
}

void MainForm::createImageControls() {
    MainFormControls& c = controls_;
    const ConversionSettings defaults;
    QGroupBox* group = c.imageGroup;
    c.noteLabel = makeLabel(group, 10, 66, 415, 27);
    c.noteLabel->setWordWrap(true);
    c.noteLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette shadowText = c.noteLabel->palette();
    shadowText.setColor(QPalette::WindowText, palette().color(QPalette::Shadow));
    c.noteLabel->setPalette(shadowText);
    c.sizeEstimateLabel = makeLabel(group, 8, 43);
    c.sizeTimesLabel = makeLabel(group, 132, 19, 7, 14);
    c.sizeTimesLabel->setText(QStringLiteral("x"));
    c.colorDepthLabel = makeLabel(group, 209, 20);
    c.imageSizeLabel = makeLabel(group, 8, 20);
    c.colorDepthList = makeList(group, 280, 16, 100);
    c.colorDepthList->addItems({QStringLiteral("1bit"), QStringLiteral("4bit"),
                                QStringLiteral("8bit"), QStringLiteral("15bit"),
                                QStringLiteral("16bit"), QStringLiteral("24bit"),
                                QStringLiteral("32bit")});
    c.colorDepthList->setCurrentIndex(static_cast<int>(defaults.colorDepth));
    c.widthEdit = makeEdit(group, 88, 18, 40, 17, true);
    c.widthEdit->setText(QString::number(defaults.imageWidth));
    c.heightEdit = makeEdit(group, 141, 18, 40, 17, true);
    c.heightEdit->setText(QString::number(defaults.imageHeight));
}

void MainForm::createCommandUnits() {
    const MainFormControls& c = controls_;
    output_ = std::make_unique<OutputCommands>(
        OutputControls{c.outputFileEdit, c.plainHtmlRadio, c.cssHtmlRadio, c.rtfRadio, c.imageRadio,
                       c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck, c.qualityLabel,
                       c.qualityEdit, c.noOptionsLabel},
        dialogs_, dialogMemory_, shell_);
    sizeFields_ = std::make_unique<SizeFields>(
        SizeControls{c.widthEdit, c.heightEdit, c.fontSizeEdit, c.sizeEstimateLabel});
    // The starting formats, chosen in the controls each stands for.
    const ConversionSettings defaults;
    output_->showFormats(defaults.outputFormat, defaults.imageFormat);
}

void MainForm::initialiseState() {
    random_.seedFromClock(clock_); // first, before anything else
    workBitmap_.clear();
    controls_.footerLine->setIdleText(QStringLiteral(".:| ") + QLatin1String(kNoticeText) +
                                      QStringLiteral(" | ") + QLatin1String(kVersionLabel) +
                                      QStringLiteral(" |:."));
    controls_.fontList->selectFace(QString::fromStdString(ConversionSettings{}.fontFace));
    setWindowTitle(QStringLiteral("Varnelo ") + QLatin1String(kVersionLabel));
    applyTexts();
}

void MainForm::sizeLabelsToText() {
    for (QLabel* label :
         {controls_.outputFileLabel, controls_.fontSizeLabel, controls_.rangeToLabel,
          controls_.noOptionsLabel, controls_.qualityLabel, controls_.sizeEstimateLabel,
          controls_.colorDepthLabel, controls_.imageSizeLabel}) {
        // Measured in the style sheet's font, which polishing gives them.
        label->ensurePolished();
        label->adjustSize();
    }
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             controls_.customTextRadio, controls_.smallLettersRadio, controls_.bigLettersRadio,
             controls_.terminalBlocksRadio, controls_.binaryCodeRadio, controls_.numbersRadio,
             controls_.customRangeRadio, controls_.saveBmpCheck, controls_.saveJpgCheck,
             controls_.savePngCheck, controls_.imageRadio, controls_.rtfRadio,
             controls_.plainHtmlRadio, controls_.cssHtmlRadio}) {
        button->ensurePolished();
        button->adjustSize();
    }
}

double MainForm::aspectRatio() const {
    return sizeFields_->aspectRatio();
}

bool MainForm::conversionRunning() const {
    return conversion_->running();
}

bool MainForm::focusNextPrevChild(bool next) {
    QWidget* target = nextTabStop(tabStops(controls_), focusWidget(), next);
    if (target == nullptr)
        return QWidget::focusNextPrevChild(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void MainForm::closeEvent(QCloseEvent* event) {
    // Stops a running conversion at its next pixel; it then writes nothing more.
    conversion_->shutDown();
    // Pictures still decoding stop within a fraction of a second.
    previewLoading_->stop();
    pictureLoading_->stop();
    event->accept();
}

} // namespace varnelo
