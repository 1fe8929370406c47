#include "ui/control_factory.h"

#include "ui/window_style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace varnelo {

QLabel* makeLabel(QWidget* parent, int x, int y, int width, int height) {
    auto* label = new QLabel(parent);
    label->move(x, y);
    if (width > 0)
        label->resize(width, height);
    return label;
}

QPushButton* makeButton(QWidget* parent, int x, int y, int width, int height) {
    auto* button = new QPushButton(parent);
    button->setGeometry(x, y, width, height);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QRadioButton* makeRadio(QWidget* parent, int x, int y) {
    auto* radio = new QRadioButton(parent);
    radio->move(x, y);
    return radio;
}

QCheckBox* makeCheck(QWidget* parent, int x, int y) {
    auto* check = new QCheckBox(parent);
    check->move(x, y);
    return check;
}

QLineEdit* makeEdit(QWidget* parent, int x, int y, int width, int height, bool digitsOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(x, y, width, height);
    edit->setFrame(true);
    if (digitsOnly) {
        static const QRegularExpression digits(QStringLiteral("[0-9]*"));
        edit->setValidator(new QRegularExpressionValidator(digits, edit));
    }
    setFieldBackground(*edit, true);
    return edit;
}

QComboBox* makeList(QWidget* parent, int x, int y, int width) {
    auto* list = new QComboBox(parent);
    list->move(x, y);
    list->resize(width, 18);
    setFieldBackground(*list, true);
    return list;
}

QGroupBox* makeGroup(QWidget* parent, int x, int y, int width, int height) {
    auto* group = new QGroupBox(parent);
    group->setGeometry(x, y, width, height);
    group->setFlat(true);
    return group;
}

QLabel* makeRemark(QWidget* parent, int x, int y, int width, int height) {
    QLabel* label = makeLabel(parent, x, y, width, height);
    QPalette shadowText = label->palette();
    shadowText.setColor(QPalette::WindowText, parent->window()->palette().color(QPalette::Shadow));
    label->setPalette(shadowText);
    return label;
}

} // namespace varnelo
