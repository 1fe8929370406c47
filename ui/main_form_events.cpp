// Which command each control's events run.
#include "ui/main_form.h"
#include "ui/preview_panel.h"

#include <QCheckBox>
#include <QPushButton>

namespace varnelo {

void MainForm::connectEvents() {
    const MainFormControls& c = controls_;
    connect(c.openPictureButton, &QPushButton::clicked, this, &MainForm::openPicture);
    connect(c.createButton, &QPushButton::clicked, this, &MainForm::startConversion);
    connect(c.cancelButton, &QPushButton::clicked, this, &MainForm::cancelConversion);
    connect(c.exitButton, &QPushButton::clicked, this, &QWidget::close);
    image_->connectEvents();
    output_->connectEvents(c.openOutputButton);
    character_->connectEvents();
    connect(c.previewPanel->stretchCheck(), &QCheckBox::clicked, this, &MainForm::onStretchClicked);
}

} // namespace varnelo
