#pragma once

#include <QComboBox>

namespace varnelo {

/// The installed font faces in alphabetical order, each drawn in its own
/// face, scalable faces marked with an icon. It always offers the program's
/// own "Terminal" face and "Tahoma", the default, even where Tahoma is not
/// installed (drawing then uses the platform's substitute).
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
