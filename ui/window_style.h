#pragma once

class QApplication;
class QWidget;

namespace varnelo {

/// The window's compact flat look: flat buttons and group boxes, one-pixel
/// edit borders, and the window font, Tahoma with a 13 pixel cell.
void applyWindowStyle(QWidget& window);

/// Shows an edit box or list as enabled (window colour) or disabled
/// (button-face colour); the background follows every enable and disable.
void setFieldEnabled(QWidget& field, bool enabled);

/// Sets only the background of a field: the window colour or the button face.
void setFieldBackground(QWidget& field, bool windowColor);

} // namespace varnelo
