#include "ui/message_boxes.h"

#include <QMessageBox>

namespace varnelo {

namespace {

// Messages end lines with CR LF; a box shows a line break for each LF.
QString withLineBreaks(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

void WindowMessageBoxes::information(const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), withLineBreaks(text),
                    QMessageBox::Ok, owner_);
    box.exec();
}

void WindowMessageBoxes::error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), withLineBreaks(text),
                    QMessageBox::Ok, owner_);
    box.exec();
}

} // namespace varnelo
