// The output side of the window: the output file, the document and image
// formats, the quality field and "open output file".
#include "ui/main_form.h"

namespace varnelo {

void MainForm::chooseOutputFile() {}
void MainForm::onDocumentFormatClicked() {}
void MainForm::onImageOutputClicked() {}
void MainForm::onImageFormatClicked(QCheckBox* /*clicked*/) {}
void MainForm::onQualityChanged() {}
void MainForm::openOutputFile() {}

} // namespace varnelo
