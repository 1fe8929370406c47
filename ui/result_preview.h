#pragma once

#include "engine/conversion_settings.h"
#include "ui/result_rendering.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace varnelo {

/// The window beside the main one that shows what the conversion will
/// make: the PNG output of the window's settings, at fit or at a zoom of
/// its own (Ctrl + wheel, Ctrl + plus and minus), with the size it shows.
class ResultPreview : public QWidget {
public:
    explicit ResultPreview(QWidget* parent = nullptr);

    /// Shows a finished rendering.
    void show(const RenderedResult& result);
    /// What it shows, as drawn: the PNG output's pixels.
    const QImage& shownImage() const { return image_; }
    /// 0 for fit, else the zoom: 1 is a pixel of the output a pixel.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    /// The note under the picture: its cells, and when smaller, why.
    QString note() const;
    /// What "copy" does: puts the result's text and HTML on the clipboard.
    void setCopy(std::function<void()> copy) { copy_ = std::move(copy); }
    QPushButton* copyButton() const { return copyButton_; }

    /// The converter's modes beyond the window's own, chosen here instead
    /// of the window's: the one chosen, if any, and its options.
    struct ModeChoice {
        PixelTransformation mode;
        /// The set of symbols mode, as --symbols takes it; empty for the
        /// output's own.
        std::string symbols;
        bool fill = true;
    };
    std::optional<ModeChoice> modeChoice() const;
    /// The choice of a mode here (nullptr for the window's) and its options.
    QRadioButton* modeRadio(std::optional<PixelTransformation> mode) const;
    QLineEdit* symbolsEdit() const { return symbols_; }
    QCheckBox* fillCheck() const { return fill_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void zoomBy(double factor);
    void redraw();

    QScrollArea* area_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* fit_ = nullptr;
    QPushButton* actualSize_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    // The window's own mode, then each of the converter's beyond it.
    std::vector<std::pair<std::optional<PixelTransformation>, QRadioButton*>> modes_;
    QLabel* symbolsLabel_ = nullptr;
    QLineEdit* symbols_ = nullptr;
    QCheckBox* fill_ = nullptr;
    void createModes(QLayout& layout);
    void showModeOptions();
    std::function<void()> copy_;
    QImage image_;
    double zoom_ = 0;
};

} // namespace varnelo
