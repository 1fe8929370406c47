// "open picture": the open dialog with a live preview of the selected file.
#include "ui/main_form.h"

namespace varnelo {

void MainForm::openPicture() {}

} // namespace varnelo
