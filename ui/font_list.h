#pragma once

#include <QComboBox>
#include <QString>

#include <optional>
#include <vector>

namespace varnelo {

/// One face of the font list: its family name as documents get it, whether
/// it scales (and so carries the TrueType icon), and the face its name is
/// drawn in, none where the name is drawn in the list's own face: faces that
/// cannot draw Latin text, and on a scaled screen faces that do not scale.
struct FontListEntry {
    QString name;
    bool scalable = false;
    std::optional<QString> drawnIn;
};

/// The installed families in alphabetical order, once each whichever
/// foundries provide them, with the program's own "Terminal" face and
/// "Tahoma", the default, even where Tahoma is not installed.
std::vector<FontListEntry> fontListEntries(qreal devicePixelRatio);

/// The face the list itself draws in: "MS Sans Serif", but a face that
/// scales where the screen is scaled.
QString fontListFace(qreal devicePixelRatio);

/// The font faces, each drawn in its own face where that reads.
class FontList final : public QComboBox {
    Q_OBJECT

public:
    explicit FontList(QWidget* parent);

    /// Selects the face when the list has it; false otherwise.
    bool selectFace(const QString& face);
    /// The chosen face.
    QString face() const { return currentText(); }
};

} // namespace varnelo
