#include "ui/font_list.h"

#include "engine/char_source.h"
#include "engine/conversion_settings.h"

#include <QFontDatabase>
#include <QIcon>

#include <algorithm>
#include <map>

namespace varnelo {

namespace {

// Where one family comes from several foundries the font database tells
// them apart as "C059 [urw]"; documents and the user know it as "C059".
QString withoutFoundry(const QString& family) {
    const qsizetype bracket = family.lastIndexOf(QLatin1String(" ["));
    return bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family;
}

// Faces whose letters are pictures (symbols, dingbats, marks) would draw
// their own names unreadably.
bool drawsLatinText(const QString& family) {
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    return systems.contains(QFontDatabase::Latin) && !systems.contains(QFontDatabase::Symbol);
}

} // namespace

QString fontListFace(qreal devicePixelRatio) {
    // The list's face has its strikes for 11 pixels alone; scaled, it would
    // draw small letters far apart.
    const QString face = QStringLiteral("MS Sans Serif");
    if (devicePixelRatio == 1.0 || QFontDatabase::isSmoothlyScalable(face))
        return face;
    return QStringLiteral("Tahoma");
}

std::vector<FontListEntry> fontListEntries(qreal devicePixelRatio) {
    // The database's name of each family, by the name the list shows.
    std::map<QString, QString, bool (*)(const QString&, const QString&)> families(
        [](const QString& a, const QString& b) {
            const int order = QString::compare(a, b, Qt::CaseInsensitive);
            return order != 0 ? order < 0 : a < b;
        });
    for (const QString& family : QFontDatabase::families())
        families.emplace(withoutFoundry(family), family);
    // The default face and the program's own are offered even where the
    // system has no such face.
    for (const QString& own : {QString::fromStdString(ConversionSettings{}.fontFace),
                               QString::fromLatin1(kTerminalFace)})
        families.emplace(own, own);

    std::vector<FontListEntry> entries;
    for (const auto& [name, family] : families) {
        FontListEntry entry{name, false, std::nullopt};
        const bool terminal = name == QLatin1String(kTerminalFace);
        entry.scalable = !terminal && QFontDatabase::isSmoothlyScalable(family);
        if (terminal) {
            entry.drawnIn = QStringLiteral("DejaVu Sans Mono");
        } else if (QFontDatabase::hasFamily(family) && drawsLatinText(family) &&
                   (entry.scalable || devicePixelRatio == 1.0)) {
            entry.drawnIn = family;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

FontList::FontList(QWidget* parent) : QComboBox(parent) {
    const QIcon scalableIcon(QStringLiteral(":/icons/tticon.png"));
    for (const FontListEntry& entry : fontListEntries(devicePixelRatioF())) {
        addItem(entry.scalable ? scalableIcon : QIcon(), entry.name);
        if (entry.drawnIn) {
            QFont itemFont(*entry.drawnIn);
            itemFont.setPixelSize(11);
            setItemData(count() - 1, itemFont, Qt::FontRole);
        }
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
