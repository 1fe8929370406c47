#pragma once

#include <QFrame>
#include <QImage>

class QCheckBox;

namespace varnelo {

/// Draws the previewed picture at its own size from the top-left corner, or
/// stretched to fill the box exactly.
class PreviewBox final : public QWidget {
    Q_OBJECT

public:
    explicit PreviewBox(QWidget* parent) : QWidget(parent) {}
    void setPicture(QImage picture);
    void setStretched(bool stretched);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    bool stretched_ = false;
};

/// The preview area the open-picture dialog shows: the box and "Stretch" below it.
class PreviewPanel final : public QFrame {
    Q_OBJECT

public:
    explicit PreviewPanel(QWidget* parent);
    PreviewBox* previewBox() const { return previewBox_; }
    QCheckBox* stretchCheck() const { return stretchCheck_; }

private:
    PreviewBox* previewBox_;
    QCheckBox* stretchCheck_;
};

} // namespace varnelo
