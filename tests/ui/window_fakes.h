#pragma once

// Stand-ins for the window's services: message boxes, shell, clock and
// dialogs that tests answer and read back.
#include "platform/shell.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "ui/common_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/picture_loading.h"

#include <QAbstractButton>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace varnelo::test {

class RecordingBoxes final : public MessageBoxes {
public:
    void information(const QString& text) override { shown.push_back("Information: " + text); }
    void error(const QString& text) override { shown.push_back("Error: " + text); }
    QStringList shown;
};

/// The time of day the window's tests start at, so the generator's seed is known.
inline constexpr UtcTimeOfDay kWindowClockTime{1, 2, 3, 4};

class RecordingShell final : public Shell {
public:
    void openAddress(const QString& address) override { opened.push_back(address); }
    void openFile(const QString& path) override { opened.push_back(path); }
    QStringList opened;
};

/// Dialogs that answer from a script: each dialog takes the next answer.
/// An answer is a function that may set the fields (chosenFileName,
/// filterIndex, color) and call the selection callback, and returns whether
/// the dialog was confirmed; the fields start as the dialog was opened. With
/// no answer left, a dialog is cancelled.
class ScriptedDialogs final : public CommonDialogs {
public:
    using FileAnswer =
        std::function<bool(ScriptedDialogs&, QWidget* preview,
                           const std::function<void(const QString&)>& selectionChanged)>;
    using Answer = std::function<bool(ScriptedDialogs&)>;

    std::optional<FileDialogChoice>
    chooseFileToOpen(const FileDialogRequest& request, QWidget* preview,
                     const std::function<void(const QString&)>& selectionChanged) override {
        opened(request);
        if (openAnswers.empty())
            return std::nullopt;
        FileAnswer answer = std::move(openAnswers.front());
        openAnswers.pop_front();
        return choice(answer(*this, preview, selectionChanged));
    }
    std::optional<FileDialogChoice> chooseFileToSave(const FileDialogRequest& request) override {
        opened(request);
        return choice(next(saveAnswers));
    }
    std::optional<QColor> chooseColor(const QColor& initial) override {
        colorsOpenedOn.push_back(initial);
        color = initial;
        if (!next(colorAnswers))
            return std::nullopt;
        return color;
    }

    std::deque<FileAnswer> openAnswers;
    std::deque<Answer> saveAnswers;
    std::deque<Answer> colorAnswers;
    QStringList shownFilters;
    QStringList shownInitialNames;
    std::vector<int> shownFilterIndexes;
    std::vector<QColor> colorsOpenedOn;
    // What an answer confirms.
    QString chosenFileName;
    int filterIndex = 1;
    QColor color;

private:
    void opened(const FileDialogRequest& request) {
        shownFilters.push_back(request.filter);
        shownInitialNames.push_back(request.initialFileName);
        shownFilterIndexes.push_back(request.filterIndex);
        chosenFileName.clear();
        filterIndex = request.filterIndex;
    }
    std::optional<FileDialogChoice> choice(bool confirmed) const {
        if (!confirmed)
            return std::nullopt;
        return FileDialogChoice{chosenFileName, filterIndex};
    }
    bool next(std::deque<Answer>& answers) {
        if (answers.empty())
            return false;
        Answer answer = std::move(answers.front());
        answers.pop_front();
        return answer(*this);
    }
};

/// What a screen reader says of a control: its accessible name, or for a
/// button without one its caption.
inline QString spokenName(const QWidget* control) {
    if (control == nullptr)
        return QStringLiteral("(none)");
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    return button != nullptr && control->accessibleName().isEmpty() ? button->text()
                                                                    : control->accessibleName();
}

/// A window with every service replaced, in a fresh temporary folder.
class WindowTest : public ::testing::Test {
protected:
    WindowTest()
        : form_(MainFormServices{.clock = &clock_,
                                 .messages = &boxes_,
                                 .shell = &shell_,
                                 .dialogs = &dialogs_,
                                 .makeWriter = {},
                                 .makePictureLoading = makeImmediatePictureLoading}),
          c(form_.controls()) {}

    TempDir folder_;
    TestClock clock_{{}, kWindowClockTime};
    RecordingBoxes boxes_;
    RecordingShell shell_;
    ScriptedDialogs dialogs_;
    MainForm form_;
    const MainFormControls& c;
};

} // namespace varnelo::test
