#pragma once

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace varnelo {

// The window's controls at their places, in its look; each is owned by its
// parent. Controls are made with an empty caption: the window's texts are
// given all at once when it is built.

QLabel* makeLabel(QWidget* parent, int x, int y, int width = 0, int height = 0);
QPushButton* makeButton(QWidget* parent, int x, int y, int width, int height);
QRadioButton* makeRadio(QWidget* parent, int x, int y);
QCheckBox* makeCheck(QWidget* parent, int x, int y);
/// A line edit; digitsOnly takes nothing but the digits 0 to 9.
QLineEdit* makeEdit(QWidget* parent, int x, int y, int width, int height, bool digitsOnly);
QComboBox* makeList(QWidget* parent, int x, int y, int width);
QGroupBox* makeGroup(QWidget* parent, int x, int y, int width, int height);
/// A label in the darker text of remarks, as the note and "no output options".
QLabel* makeRemark(QWidget* parent, int x, int y, int width = 0, int height = 0);

} // namespace varnelo
