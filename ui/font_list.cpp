#include "ui/font_list.h"

#include "engine/char_source.h"
#include "engine/conversion_settings.h"

#include <QFontDatabase>
#include <QIcon>

#include <algorithm>

namespace varnelo {

FontList::FontList(QWidget* parent) : QComboBox(parent) {
    QStringList faces = QFontDatabase::families();
    // The default face and the program's own are offered even where the
    // system has no such face.
    for (const QString& own : {QString::fromStdString(ConversionSettings{}.fontFace),
                               QString::fromLatin1(kTerminalFace)}) {
        if (!faces.contains(own))
            faces.append(own);
    }
    std::sort(faces.begin(), faces.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    faces.removeDuplicates();

    const QIcon scalableIcon(QStringLiteral(":/icons/tticon.png"));
    for (const QString& face : faces) {
        const bool scalable =
            face != QLatin1String(kTerminalFace) && QFontDatabase::isSmoothlyScalable(face);
        addItem(scalable ? scalableIcon : QIcon(), face);
        QFont itemFont(face == QLatin1String(kTerminalFace) ? QStringLiteral("DejaVu Sans Mono")
                                                            : face);
        itemFont.setPixelSize(11);
        setItemData(count() - 1, itemFont, Qt::FontRole);
    }
    setIconSize(QSize(12, 12));
}

bool FontList::selectFace(const QString& face) {
    const int index = findText(face, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

} // namespace varnelo
