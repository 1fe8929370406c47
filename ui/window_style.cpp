#include "ui/window_style.h"

#include "ui/font_list.h"

#include <QFont>
#include <QStyle>
#include <QVariant>
#include <QWidget>

namespace varnelo {

namespace {

// Fusion's default metrics are too large for the window's fixed positions:
// paddings are trimmed so every caption fits its place.
constexpr const char* kStyleSheet = R"(
QWidget { font-family: "Tahoma"; font-size: 11px; }
varnelo--FontList, varnelo--FontList QAbstractItemView { font-family: "%1"; font-size: 11px; }
QPushButton { border: 1px solid palette(dark); background: palette(button); padding: 0px 2px; }
QPushButton:hover { background: palette(light); }
QPushButton:pressed { background: palette(midlight); border-color: palette(shadow); }
QPushButton:focus { border-color: palette(highlight); }
QLineEdit { border: 1px solid palette(dark); padding: 0px 1px; margin: 0px; }
QComboBox { border: 1px solid palette(dark); padding: 0px 2px; }
QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0px 2px; }
QProgressBar { border: 1px solid palette(dark); background: palette(base); }
QProgressBar::chunk { background: palette(highlight); }
QLineEdit[fieldColor="window"], QComboBox[fieldColor="window"] { background: palette(base); }
QLineEdit[fieldColor="buttonFace"], QComboBox[fieldColor="buttonFace"] { background: palette(button); }
QLineEdit:focus, QComboBox:focus { border-color: palette(highlight); }
)";

// The style sheet draws a field's background, so the colour goes through a
// property its rules read; a palette would be overruled.
constexpr const char* kFieldColor = "fieldColor";

} // namespace

void applyWindowStyle(QWidget& window) {
    // Tahoma's cell is 13 pixels at a pixel size of 11: Windows measures the
    // cell, Qt the em.
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    window.setFont(font);
    window.setStyleSheet(
        QString::fromLatin1(kStyleSheet).arg(fontListFace(window.devicePixelRatioF())));
}

void setFieldBackground(QWidget& field, bool windowColor) {
    const char* colour = windowColor ? "window" : "buttonFace";
    if (field.property(kFieldColor).toString() == QLatin1String(colour))
        return;
    field.setProperty(kFieldColor, QString::fromLatin1(colour));
    // Rules with properties are matched when a widget is polished.
    field.style()->unpolish(&field);
    field.style()->polish(&field);
    field.update();
}

void setFieldEnabled(QWidget& field, bool enabled) {
    field.setEnabled(enabled);
    setFieldBackground(field, enabled);
}

} // namespace varnelo
