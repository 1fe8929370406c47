#pragma once

#include "engine/conversion_settings.h"
#include "ui/size_fields.h"

#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace varnelo {

/// The controls of "image options": the size fields, the estimate and the
/// colour depth.
struct ImageControls {
    QGroupBox* imageGroup = nullptr;
    QLabel* noteLabel = nullptr;
    QLabel* sizeEstimateLabel = nullptr;
    QLabel* sizeTimesLabel = nullptr;
    QLabel* colorDepthLabel = nullptr;
    QLabel* imageSizeLabel = nullptr;
    QComboBox* colorDepthList = nullptr;
    QLineEdit* widthEdit = nullptr;
    QLineEdit* heightEdit = nullptr;
};

/// The image side of the window: it makes its controls and keeps the size
/// fields in proportion and the estimate current. It sees only its own
/// controls and the font size field the estimate reads; the window owns it.
class ImagePanel {
public:
    ImagePanel(ImageControls& controls, QWidget& window);

    /// Makes the group and its controls in the window, at their places;
    /// fontSizeEdit is the font size field the estimate follows.
    void create(QLineEdit* fontSizeEdit);
    /// Connects each field to its command.
    void connectEvents();

    SizeFields& sizeFields() { return *sizeFields_; }
    /// Puts the image's choices into settings: the size and the colour depth.
    void fillSettings(ConversionSettings& settings) const;

private:
    ImageControls& c_;
    QWidget& window_;
    QLineEdit* fontSizeEdit_ = nullptr;
    std::unique_ptr<SizeFields> sizeFields_;
};

} // namespace varnelo
