#pragma once

#include <QWidget>

namespace varnelo {

/// The program's one window.
class MainForm final : public QWidget {
    Q_OBJECT

public:
    explicit MainForm(QWidget* parent = nullptr);
};

} // namespace varnelo
