#include "ui/result_preview.h"

#include "engine/character_modes.h"
#include "ui/character_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace varnelo {

namespace {

constexpr double kLeastZoom = 0.125;
constexpr double kMostZoom = 16;
constexpr double kZoomStep = 1.25;

} // namespace

ResultPreview::ResultPreview(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Varnelo - preview"));
    setAccessibleName(QStringLiteral("preview of the result"));
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    fit_ = new QPushButton(QStringLiteral("fit"), this);
    actualSize_ = new QPushButton(QStringLiteral("100 %"), this);
    fit_->setAccessibleName(QStringLiteral("fit the preview to the window"));
    actualSize_->setAccessibleName(QStringLiteral("show the preview at 100 %"));
    copyButton_ = new QPushButton(QStringLiteral("copy"), this);
    copyButton_->setAccessibleName(QStringLiteral("copy the result's text and HTML"));
    buttons->addWidget(fit_);
    buttons->addWidget(actualSize_);
    buttons->addStretch();
    buttons->addWidget(copyButton_);
    layout->addLayout(buttons);
    createModes(*layout);
    area_ = new QScrollArea(this);
    // It takes the focus, for the arrow keys to scroll.
    area_->setAccessibleName(QStringLiteral("the result as it will look"));
    area_->setAlignment(Qt::AlignCenter);
    picture_ = new QLabel;
    picture_->setAccessibleName(QStringLiteral("the result as it will look"));
    area_->setWidget(picture_);
    area_->viewport()->installEventFilter(this);
    layout->addWidget(area_, 1);
    note_ = new QLabel(this);
    layout->addWidget(note_);
    QObject::connect(fit_, &QPushButton::clicked, this, [this] { setZoom(0); });
    QObject::connect(actualSize_, &QPushButton::clicked, this, [this] { setZoom(1); });
    QObject::connect(copyButton_, &QPushButton::clicked, this, [this] {
        if (copy_)
            copy_();
    });
    QObject::connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this,
                     [this] { copyButton_->click(); });
    for (const QKeySequence& in : {QKeySequence(QKeySequence::ZoomIn), QKeySequence("Ctrl+=")})
        QObject::connect(new QShortcut(in, this), &QShortcut::activated, this,
                         [this] { zoomBy(kZoomStep); });
    QObject::connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this,
                     [this] { zoomBy(1 / kZoomStep); });
}

void ResultPreview::createModes(QLayout& layout) {
    auto* group =
        new QGroupBox(QStringLiteral("the converter's modes, instead of the window's"), this);
    auto* rows = new QGridLayout(group);
    const auto add = [&](std::optional<PixelTransformation> mode, const QString& caption) {
        auto* choice = new QRadioButton(caption, group);
        choice->setAccessibleName(caption);
        rows->addWidget(choice, 0, static_cast<int>(modes_.size()));
        modes_.emplace_back(mode, choice);
        QObject::connect(choice, &QRadioButton::toggled, this, [this] { showModeOptions(); });
    };
    add(std::nullopt, QStringLiteral("the window's mode"));
    // Every mode "pixel transformation options" does not offer.
    for (const CharacterMode& mode : characterModes())
        if (!windowOffersMode(mode.transformation))
            add(mode.transformation,
                QString::fromUtf8(mode.caption.data(),
                                  static_cast<qsizetype>(mode.caption.size())));
    symbolsLabel_ = new QLabel(QStringLiteral("symbols:"), group);
    symbols_ = new QLineEdit(group);
    symbols_->setPlaceholderText(QStringLiteral("the output's own"));
    symbols_->setAccessibleName(QStringLiteral("symbols, classes joined by + and -"));
    symbolsLabel_->setBuddy(symbols_);
    fill_ = new QCheckBox(QStringLiteral("fill the cells"), group);
    fill_->setAccessibleName(QStringLiteral("fill the cells with their colours"));
    fill_->setChecked(true);
    rows->addWidget(symbolsLabel_, 1, 0);
    rows->addWidget(symbols_, 1, 1, 1, 2);
    rows->addWidget(fill_, 1, 3);
    modes_.front().second->setChecked(true);
    layout.addWidget(group);
    showModeOptions();
}

void ResultPreview::showModeOptions() {
    const std::optional<ModeChoice> chosen = modeChoice();
    const bool symbols = chosen && drawsTwoColourSymbols(chosen->mode);
    symbolsLabel_->setVisible(symbols);
    symbols_->setVisible(symbols);
    // Symbols fill every cell.
    fill_->setVisible(chosen && !symbols);
}

std::optional<ResultPreview::ModeChoice> ResultPreview::modeChoice() const {
    for (const auto& [mode, choice] : modes_)
        if (choice->isChecked() && mode)
            return ModeChoice{*mode, symbols_->text().trimmed().toStdString(), fill_->isChecked()};
    return std::nullopt;
}

QRadioButton* ResultPreview::modeRadio(std::optional<PixelTransformation> mode) const {
    for (const auto& [shown, choice] : modes_)
        if (shown == mode)
            return choice;
    return nullptr;
}

void ResultPreview::show(const RenderedResult& result) {
    image_ = result.image;
    QString text = QStringLiteral("%1 \u00D7 %2 %3")
                       .arg(result.columns)
                       .arg(result.lines)
                       .arg(result.cells ? QStringLiteral("cells") : QStringLiteral("pixels"));
    if (result.shrunkFrom)
        text += QStringLiteral(", a smaller preview of %1 \u00D7 %2, which would take long")
                    .arg(result.shrunkFrom->first)
                    .arg(result.shrunkFrom->second);
    note_->setText(text);
    redraw();
}

QString ResultPreview::note() const {
    return note_->text();
}

void ResultPreview::setZoom(double zoom) {
    zoom_ = zoom <= 0 ? 0 : std::clamp(zoom, kLeastZoom, kMostZoom);
    redraw();
}

void ResultPreview::zoomBy(double factor) {
    // From fit, the zoom fit shows.
    double from = zoom_;
    if (from == 0 && !image_.isNull() && picture_->pixmap().width() > 0)
        from = static_cast<double>(picture_->pixmap().width()) / image_.width();
    setZoom((from > 0 ? from : 1) * factor);
}

bool ResultPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if ((wheel->modifiers() & Qt::ControlModifier) != 0 && wheel->angleDelta().y() != 0) {
            zoomBy(wheel->angleDelta().y() > 0 ? kZoomStep : 1 / kZoomStep);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ResultPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (zoom_ == 0)
        redraw();
}

void ResultPreview::redraw() {
    if (image_.isNull()) {
        picture_->clear();
        return;
    }
    QSize size = image_.size();
    if (zoom_ == 0) {
        // Fit: the whole picture in the window, never larger than it is.
        const QSize room = area_->viewport()->size();
        if (size.width() > room.width() || size.height() > room.height())
            size.scale(room, Qt::KeepAspectRatio);
    } else {
        size = QSize(std::max(1, static_cast<int>(size.width() * zoom_)),
                     std::max(1, static_cast<int>(size.height() * zoom_)));
    }
    // Pixel by pixel, never blurred: enlarged, a cell stays sharp. (Qt
    // shrinks smoothly on threads of its own, which the sanitizers' runs
    // cannot follow.)
    picture_->setPixmap(QPixmap::fromImage(
        size == image_.size()
            ? image_
            : image_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    picture_->resize(size);
}

} // namespace varnelo
