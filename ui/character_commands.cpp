// The character and appearance side of the window: the character modes and
// their fields, the range checks, the phrase file, the background colour and
// the preview.
#include "ui/main_form.h"

namespace varnelo {

void MainForm::onModeClicked() {}
void MainForm::onRangeFromChanged() {}
void MainForm::onRangeToChanged() {}
void MainForm::loadPhraseFile() {}
void MainForm::chooseBackgroundColor() {}
void MainForm::onStretchClicked() {}

} // namespace varnelo
