#include "ui/image_panel.h"

#include "ui/control_factory.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace varnelo {

ImagePanel::ImagePanel(ImageControls& controls, QWidget& window) : c_(controls), window_(window) {}

void ImagePanel::create(QLineEdit* fontSizeEdit) {
    const ConversionSettings defaults;
    QGroupBox* group = c_.imageGroup = makeGroup(&window_, 8, 225, 437, 102);
    c_.noteLabel = makeRemark(group, 10, 66, 415, 27);
    c_.noteLabel->setWordWrap(true);
    c_.noteLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c_.sizeEstimateLabel = makeLabel(group, 8, 43);
    c_.sizeTimesLabel = makeLabel(group, 132, 19, 7, 14);
    c_.sizeTimesLabel->setText(QStringLiteral("x"));
    c_.colorDepthLabel = makeLabel(group, 209, 20);
    c_.imageSizeLabel = makeLabel(group, 8, 20);
    c_.colorDepthList = makeList(group, 280, 16, 100);
    c_.colorDepthList->addItems({QStringLiteral("1bit"), QStringLiteral("4bit"),
                                 QStringLiteral("8bit"), QStringLiteral("15bit"),
                                 QStringLiteral("16bit"), QStringLiteral("24bit"),
                                 QStringLiteral("32bit")});
    c_.colorDepthList->setCurrentIndex(static_cast<int>(defaults.colorDepth));
    c_.widthEdit = makeEdit(group, 88, 18, 40, 17, true);
    c_.widthEdit->setText(QString::number(defaults.imageWidth));
    c_.heightEdit = makeEdit(group, 141, 18, 40, 17, true);
    c_.heightEdit->setText(QString::number(defaults.imageHeight));
    fontSizeEdit_ = fontSizeEdit;
    sizeFields_ = std::make_unique<SizeFields>(
        SizeControls{c_.widthEdit, c_.heightEdit, fontSizeEdit, c_.sizeEstimateLabel});
}

void ImagePanel::connectEvents() {
    SizeFields* size = sizeFields_.get();
    QObject::connect(c_.widthEdit, &QLineEdit::textChanged, &window_,
                     [size] { size->onWidthChanged(); });
    QObject::connect(c_.heightEdit, &QLineEdit::textChanged, &window_,
                     [size] { size->onHeightChanged(); });
    QObject::connect(fontSizeEdit_, &QLineEdit::textChanged, &window_,
                     [size] { size->onFontSizeChanged(); });
}

void ImagePanel::fillSettings(ConversionSettings& settings) const {
    settings.imageWidth = readNumber(c_.widthEdit->text().toStdString());
    settings.imageHeight = readNumber(c_.heightEdit->text().toStdString());
    settings.colorDepth =
        static_cast<ColorDepth>(std::clamp(c_.colorDepthList->currentIndex(), 0, 6));
}

} // namespace varnelo
