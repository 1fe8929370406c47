#pragma once

#include <QColor>
#include <QWidget>

namespace varnelo {

/// The background colour: a field of the colour in a one-pixel sunken
/// frame, dark on the left and top, light on the right and bottom. A click,
/// or Space or Enter while it has the focus, asks for another colour.
class ColorSwatch final : public QWidget {
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent);

    const QColor& color() const { return color_; }
    void setColor(const QColor& color);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor color_;
};

} // namespace varnelo
