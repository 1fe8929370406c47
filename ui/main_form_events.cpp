// Which command each control's events run.
#include "ui/main_form.h"

#include <QLineEdit>
#include <QPushButton>

namespace varnelo {

void MainForm::connectEvents() {
    const MainFormControls& c = controls_;
    connect(c.createButton, &QPushButton::clicked, this, &MainForm::startConversion);
    connect(c.cancelButton, &QPushButton::clicked, this, &MainForm::cancelConversion);
    connect(c.exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(c.widthEdit, &QLineEdit::textChanged, this, &MainForm::onWidthChanged);
    connect(c.heightEdit, &QLineEdit::textChanged, this, &MainForm::onHeightChanged);
    connect(c.fontSizeEdit, &QLineEdit::textChanged, this, &MainForm::onFontSizeChanged);
}

} // namespace varnelo
