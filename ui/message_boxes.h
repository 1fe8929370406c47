#pragma once

#include <QString>

class QWidget;

namespace varnelo {

/// The window's message boxes, behind an interface so that tests answer
/// them without a modal loop.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    /// "Information" with the information icon: input the user can add.
    virtual void information(const QString& text) = 0;
    /// "Error" with the error icon: refusals and failures.
    virtual void error(const QString& text) = 0;
};

/// Modal boxes owned by a window.
class WindowMessageBoxes final : public MessageBoxes {
public:
    explicit WindowMessageBoxes(QWidget* owner) : owner_(owner) {}
    void information(const QString& text) override;
    void error(const QString& text) override;

private:
    QWidget* owner_;
};

} // namespace varnelo
