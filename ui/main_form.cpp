#include "ui/main_form.h"

#include "ui/picture_loading.h"

#include "engine/version.h"
#include "platform/shell.h"
#include "platform/system_clock.h"
#include "ui/control_factory.h"
#include "ui/conversion_controller.h"
#include "ui/font_list.h"
#include "ui/footer_line.h"
#include "ui/homepage.h"
#include "ui/keyboard_access.h"
#include "ui/message_boxes.h"
#include "ui/output_commands.h"
#include "ui/preview_panel.h"
#include "ui/result_preview.h"
#include "ui/result_rendering.h"
#include "ui/size_fields.h"
#include "ui/window_common_dialogs.h"
#include "ui/window_style.h"
#include "writers/output_writer_factory.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

#include <QScreen>
#include <QShortcut>
#include <algorithm>

// The window's icons are compiled into its static library, whose resource
// table a linker keeps only when something names it.
static void loadWindowResources() {
    Q_INIT_RESOURCE(varnelo);
}

namespace varnelo {

namespace {

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/main-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

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
    // A window of its own, not a child of this one: its controls are none
    // of this window's.
    resultPreview_ = std::make_unique<ResultPreview>();
    // Shown beside this window without taking the keys from it.
    resultPreview_->setAttribute(Qt::WA_ShowWithoutActivating);
    rendering_ = std::make_unique<ResultRendering>(
        [this](const RenderedResult& result) { resultPreview_->show(result); });
    resultPreview_->setCopy([this] {
        rendering_->copy(settled(previewedSettings()),
                         conversion_->holdsWorker() ? previewSeed_ : random_.seed(),
                         [](const QString& text, const QString& html) {
                             auto* both = new QMimeData;
                             both->setText(text);
                             both->setHtml(html);
                             QGuiApplication::clipboard()->setMimeData(both);
                         });
    });
    // Often enough that a change shows within a tenth of a second.
    settingsWatch_.setInterval(30);
    QObject::connect(&settingsWatch_, &QTimer::timeout, this, [this] { followSettings(); });
    settingsWatch_.start();
    QObject::connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+R")), this),
                     &QShortcut::activated, this, [this] { showResultPreview(); });
}

MainForm::~MainForm() = default;

void MainForm::showResultPreview() {
    if (!resultPreview_->isVisible()) {
        resultPreview_->move(frameGeometry().topRight() + QPoint(8, 0));
        // Beside this window, whose keys stay its own where a window
        // system activates a window shown.
        const bool active = isActiveWindow();
        resultPreview_->QWidget::show();
        if (active)
            activateWindow();
    }
}

bool MainForm::renderingResult() const {
    if (rendering_->busy() || rendering_->copying())
        return true;
    if (workBitmap_.isEmpty() || !resultPreview_->isVisible())
        return false;
    const std::uint32_t seed = conversion_->holdsWorker() ? previewSeed_ : random_.seed();
    return !rendered_ || rendered_->first != previewedSettings() || rendered_->second != seed;
}

ConversionSettings MainForm::previewedSettings() const {
    ConversionSettings settings = chosenSettings();
    settings.outputPath.clear();
    settings.outputNameBase.clear();
    settings.imageQuality = ConversionSettings{}.imageQuality;
    return settings;
}

void MainForm::followSettings() {
    if (workBitmap_.isEmpty() || conversion_->running())
        return;
    if (!conversion_->holdsWorker())
        previewSeed_ = random_.seed();
    std::pair<ConversionSettings, std::uint32_t> now{previewedSettings(), previewSeed_};
    const bool estimated = estimated_ == now.first;
    const bool rendered = !resultPreview_->isVisible() || (rendered_ && *rendered_ == now);
    if (estimated && rendered)
        return;
    ConversionSettings drawn = settled(now.first);
    if (!estimated) {
        // A converter's mode chosen stays chosen with its window closed:
        // the estimate line says the cells it draws either way.
        image_->sizeFields().showCells(
            resultPreview_->modeChoice()
                ? std::optional(std::pair(drawn.imageWidth, drawn.imageHeight))
                : std::nullopt);
        estimated_ = now.first;
    }
    if (rendered)
        return;
    rendering_->request(std::move(drawn), now.second);
    rendered_ = std::move(now);
}

void MainForm::createControls() {
    MainFormControls& c = controls_;
    c.openPictureButton = makeButton(this, 8, 8, 89, 22);
    c.footerLine = new FooterLine(shell_, this);
    c.footerLine->setGeometry(9, 475, 437, 16);
    createConversionControls(c, *this);
    c.previewPanel = new PreviewPanel(this);
    c.previewPanel->setGeometry(272, 120, 73, 85);
    c.previewPanel->hide();

    character_ = std::make_unique<CharacterPanel>(c, *this, dialogs_, dialogMemory_);
    character_->create();
    output_ = std::make_unique<OutputCommands>(c, *this, dialogs_, dialogMemory_, shell_);
    output_->create();
    image_ = std::make_unique<ImagePanel>(c, *this);
    image_->create(c.fontSizeEdit);
}

void MainForm::initialiseState() {
    random_.seedFromClock(clock_); // first, before anything else
    previewSeed_ = random_.seed();
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
    const auto fitCaption = [](QAbstractButton* button) {
        button->ensurePolished();
        button->adjustSize();
    };
    std::ranges::for_each(controls_.modeChoices.controls(), fitCaption);
    std::ranges::for_each(controls_.imageTypeChoices.controls(), fitCaption);
    std::ranges::for_each(controls_.formatChoices.controls(), fitCaption);
}

double MainForm::aspectRatio() const {
    return image_->sizeFields().aspectRatio();
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
    resultPreview_->close();
    event->accept();
}

} // namespace varnelo
