#pragma once

#include <QWidget>

namespace varnelo {

class Shell;

/// The window's last line: the notice with the version over an etched
/// separator, switching to the homepage line under the pointer; a click
/// opens the homepage, as do Space and Enter while it has the focus.
class FooterLine final : public QWidget {
    Q_OBJECT

public:
    FooterLine(Shell& shell, QWidget* parent);

    void setIdleText(const QString& text);
    const QString& idleText() const { return idleText_; }
    /// The text the line shows now.
    const QString& shownText() const { return hovered_ ? hoverText_ : idleText_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Shell& shell_;
    QString idleText_;
    QString hoverText_;
    bool hovered_ = false;
};

} // namespace varnelo
