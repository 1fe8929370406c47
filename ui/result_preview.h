#pragma once

#include "ui/result_rendering.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
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
    std::function<void()> copy_;
    QImage image_;
    double zoom_ = 0;
};

} // namespace varnelo
