#include "ui/footer_line.h"

#include "platform/shell.h"
#include "ui/focus_mark.h"
#include "ui/homepage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace varnelo {

FooterLine::FooterLine(Shell& shell, QWidget* parent)
    : QWidget(parent), shell_(shell),
      hoverText_(QStringLiteral(".:| Varnelo Homepage | ") + QLatin1String(kHomepageHost) +
                 QStringLiteral(" |:.")) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void FooterLine::setIdleText(const QString& text) {
    idleText_ = text;
    update();
}

void FooterLine::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& colors = palette();
    const int w = width();
    painter.fillRect(rect(), colors.color(QPalette::Button));
    // An etched separator along the top edge: dark over light, the light
    // line one pixel lower and to the right.
    painter.setPen(colors.color(QPalette::WindowText));
    painter.drawLine(0, 0, w - 1, 0);
    painter.setPen(colors.color(QPalette::Base));
    painter.drawLine(1, 1, w - 1, 1);
    painter.setPen(colors.color(QPalette::WindowText));
    painter.drawPoint(0, 1);
    painter.setPen(colors.color(QPalette::Base));
    painter.drawPoint(w - 1, 0);

    // The text engraved: a light copy one pixel right of and below the visible one.
    // Bold as Windows draws a face that has no bold of its own, as Tahoma
    // here: the regular face struck twice, a pixel apart. Asked for bold,
    // the font database would give another family in place of Tahoma.
    QFont regular = font();
    regular.setBold(false);
    painter.setFont(regular);
    const int flags = Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs;
    const auto drawBold = [&](QRect place) {
        painter.drawText(place.translated(-1, 0), flags, shownText());
        painter.drawText(place, flags, shownText());
    };
    painter.setPen(colors.color(QPalette::Base));
    drawBold(QRect(0, 4, w, height() - 4));
    painter.setPen(colors.color(hovered_ ? QPalette::Highlight : QPalette::WindowText));
    drawBold(QRect(0, 3, w - 1, height() - 3));
    if (hasFocus())
        paintFocusMark(painter, rect().adjusted(0, 2, -1, -1));
}

void FooterLine::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void FooterLine::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void FooterLine::keyPressEvent(QKeyEvent* event) {
    if (isActivationKey(*event)) {
        shell_.openAddress(QLatin1String(kHomepageAddress));
        return;
    }
    QWidget::keyPressEvent(event);
}

void FooterLine::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        shell_.openAddress(QLatin1String(kHomepageAddress));
    QWidget::mouseReleaseEvent(event);
}

} // namespace varnelo
