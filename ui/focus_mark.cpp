#include "ui/focus_mark.h"

#include <QKeyEvent>
#include <QPainter>

namespace varnelo {

void paintFocusMark(QPainter& painter, const QRect& frame) {
    painter.save();
    // Drawn in the difference of the colours beneath, so the mark shows on
    // any background colour the swatch may hold.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    painter.restore();
}

bool isActivationKey(const QKeyEvent& event) {
    const auto modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return false;
    return event.key() == Qt::Key_Space || event.key() == Qt::Key_Return ||
           event.key() == Qt::Key_Enter;
}

} // namespace varnelo
