#include "ui/conversion_panel.h"

#include "ui/control_factory.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace varnelo {

void createConversionControls(ConversionControls& c, QWidget& window) {
    c.statusLabel = makeLabel(&window, 197, 427, 249, 15);
    c.cancelButton = makeButton(&window, 159, 446, 62, 22);
    c.cancelButton->setEnabled(false);
    c.exitButton = makeButton(&window, 386, 446, 60, 22);
    c.createButton = makeButton(&window, 7, 446, 145, 22);
    c.openOutputButton = makeButton(&window, 261, 446, 113, 22);
    c.openOutputButton->setEnabled(false);
    c.progressBar = new QProgressBar(&window);
    c.progressBar->setGeometry(8, 429, 185, 12);
    c.progressBar->setTextVisible(false);
    c.progressBar->setRange(0, 100);
    c.progressBar->setValue(0);
}

} // namespace varnelo
