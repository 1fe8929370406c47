#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPoint>
#include <QString>

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace varnelo {

/// One choice the window offers for a row of a table the engine keeps (a
/// mode, an output format, an image file type): the value it stands for,
/// the control of the window's controls it is, its place in its group and
/// its caption. A table of these, in the Tab order of its group, is all the
/// window knows of which control means what: the controls, their captions,
/// their Tab order, what locks and what the converter alone offers all
/// follow from it.
template <typename Value, typename Controls, typename Button>
struct ChoiceRow {
    Value value;
    /// Its name among the controls, for code that means this one; none
    /// where the group's look-ups serve.
    Button* Controls::*control;
    QPoint place;
    /// Its caption, UTF-8; empty where the engine's row gives it.
    std::string_view caption = {};
};

/// The controls made from a table of choices, each standing for its row's
/// value. Made once with the window and owned by their group box.
template <typename Value, typename Button>
class ChoiceGroup {
public:
    /// Makes a control of each row in parent at its place with make, and
    /// puts it where the row names it among controls. captionOf gives a
    /// caption a row leaves empty.
    template <typename Controls, typename Make, typename CaptionOf>
    void create(QWidget& parent, Controls& controls,
                std::span<const ChoiceRow<Value, Controls, Button>> rows, Make make,
                CaptionOf captionOf) {
        for (const ChoiceRow<Value, Controls, Button>& row : rows) {
            Button* control = make(&parent, row.place.x(), row.place.y());
            if (row.control != nullptr)
                controls.*row.control = control;
            const std::string_view caption =
                row.caption.empty() ? captionOf(row.value) : row.caption;
            entries_.push_back(
                {row.value, control,
                 QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()))});
        }
    }

    /// Gives each control its caption; the window gives all its texts at once.
    void applyTexts() const {
        for (const Entry& entry : entries_)
            entry.control->setText(entry.caption);
    }

    /// The control standing for value; none where the window offers no such choice.
    Button* choiceOf(Value value) const {
        for (const Entry& entry : entries_)
            if (entry.value == value)
                return entry.control;
        return nullptr;
    }

    /// The value of the first ticked control.
    std::optional<Value> chosen() const {
        for (const Entry& entry : entries_)
            if (entry.control->isChecked())
                return entry.value;
        return std::nullopt;
    }

    /// The controls in their Tab order.
    std::vector<Button*> controls() const {
        std::vector<Button*> all;
        all.reserve(entries_.size());
        for (const Entry& entry : entries_)
            all.push_back(entry.control);
        return all;
    }

    /// Runs handler(value, control) when a control is clicked.
    template <typename Handler>
    void onClicked(QObject& context, Handler handler) const {
        for (const Entry& entry : entries_)
            QObject::connect(entry.control, &QAbstractButton::clicked, &context,
                             [handler, value = entry.value, control = entry.control] {
                                 handler(value, control);
                             });
    }

private:
    struct Entry {
        Value value;
        Button* control;
        QString caption;
    };
    std::vector<Entry> entries_;
};

} // namespace varnelo
