#include "ui/main_form.h"

namespace varnelo {

MainForm::MainForm(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Varnelo 0.4 beta"));
    setFixedSize(450, 492);
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
}

} // namespace varnelo
