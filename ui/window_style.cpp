#include "ui/window_style.h"

#include <QFont>
#include <QWidget>

namespace varnelo {

namespace {

// Fusion's default metrics are too large for the window's fixed positions:
// paddings are trimmed so every caption fits its place.
constexpr const char* kStyleSheet = R"(
QWidget { font-family: "Tahoma"; font-size: 11px; }
varnelo--FontList, varnelo--FontList QAbstractItemView { font-family: "MS Sans Serif"; font-size: 11px; }
varnelo--FooterLine { font-weight: bold; }
QPushButton { border: 1px solid palette(dark); background: palette(button); padding: 0px 2px; }
QPushButton:hover { background: palette(light); }
QPushButton:pressed { background: palette(midlight); border-color: palette(shadow); }
QPushButton:focus { border-color: palette(shadow); }
QLineEdit { border: 1px solid palette(dark); padding: 0px 1px; margin: 0px; }
QComboBox { border: 1px solid palette(dark); padding: 0px 2px; }
QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0px 2px; }
QProgressBar { border: 1px solid palette(dark); background: palette(base); }
QProgressBar::chunk { background: palette(highlight); }
)";

} // namespace

void applyWindowStyle(QWidget& window) {
    // Tahoma's cell is 13 pixels at a pixel size of 11: Windows measures the
    // cell, Qt the em.
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    window.setFont(font);
    window.setStyleSheet(QString::fromLatin1(kStyleSheet));
}

void setFieldBackground(QWidget& field, bool windowColour) {
    QPalette colors = field.palette();
    const QColor background =
        field.window() != nullptr
            ? field.window()->palette().color(windowColour ? QPalette::Base : QPalette::Button)
            : colors.color(QPalette::Base);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colors.setColor(group, QPalette::Base, background);
    field.setPalette(colors);
}

void setFieldEnabled(QWidget& field, bool enabled) {
    field.setEnabled(enabled);
    setFieldBackground(field, enabled);
}

} // namespace varnelo
