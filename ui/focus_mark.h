#pragma once

class QKeyEvent;
class QPainter;
class QRect;

namespace varnelo {

/// The dotted frame that shows which of the window's own painted controls
/// has the keyboard focus.
void paintFocusMark(QPainter& painter, const QRect& frame);

/// Whether a key press works a painted control as a click does: Space,
/// Enter or Return, without modifiers.
bool isActivationKey(const QKeyEvent& event);

} // namespace varnelo
