#pragma once

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace varnelo {

/// The controls of a conversion, along the window's foot: the progress
/// bar, the status line and the command buttons. Their commands are the
/// window's own, which runs the conversion.
struct ConversionControls {
    QProgressBar* progressBar = nullptr;
    QLabel* statusLabel = nullptr;
    QPushButton* createButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* openOutputButton = nullptr;
    QPushButton* exitButton = nullptr;
};

/// Makes the conversion's controls in the window, at their places.
void createConversionControls(ConversionControls& controls, QWidget& window);

} // namespace varnelo
