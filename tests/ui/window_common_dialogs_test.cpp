#include "tests/support/temp_dir.h"
#include "ui/window_common_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

// Readable failures for Qt's strings and colours.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& color, std::ostream* out) {
    *out << color.name().toStdString();
}

namespace varnelo {
namespace {

const QString kImages = QStringLiteral("Images (*.bmp;*.jpg;*.gif;*.png)|*.bmp;*.jpg;*.gif;*.png");
const QString kOutputs = QStringLiteral(
    "HTML (*.html)|*.html|RTF (*.rtf)|*.rtf|BMP (*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png");

QString qt(const std::string& path) {
    return QString::fromStdString(path);
}

QString qt(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Folders compared by where they lead, whatever way they are written.
QString real(const QString& folder) {
    return QDir(folder).canonicalPath();
}

// The real dialogs, answered by the test in place of the user: each answer
// gets the prepared dialog and says whether it was confirmed.
class AnsweredDialogs final : public WindowCommonDialogs {
public:
    AnsweredDialogs() : WindowCommonDialogs(nullptr) {}
    std::function<bool(QDialog&)> answer;

protected:
    bool run(QDialog& dialog) override { return answer ? answer(dialog) : false; }
};

// What the user confirms: the dialog checks it as it would for a click on OK.
bool acceptFile(QDialog& dialog, const QString& path) {
    auto& files = dynamic_cast<QFileDialog&>(dialog);
    files.selectFile(path);
    static_cast<QDialog&>(files).accept(); // as the OK button does
    return files.result() == QDialog::Accepted;
}

QLineEdit* fileNameBox(QDialog& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// The dialog's list once its model has read the folder: Qt reads it on a
// thread of its own.
QListView* filledList(QDialog& dialog, int expectedRows) {
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    QElapsedTimer timer;
    timer.start();
    while (view->model()->rowCount(view->rootIndex()) < expectedRows && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    // A moment more, in case a name that should not be listed comes late.
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    return view;
}

// Closes the next modal box that appears and keeps its text, so a dialog
// that asks something cannot hang the test.
class BoxCatcher {
public:
    BoxCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->reject();
            }
        });
        timer_.start(20);
    }
    QStringList texts;

private:
    QTimer timer_;
};

class WindowCommonDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Qt's file dialog keeps its history in the user's settings.
        QStandardPaths::setTestModeEnabled(true);
    }

    // The images' filter, its first entry preselected.
    const FileDialogRequest images_{kImages, 1, {}};

    std::string touch(const std::string& name) const {
        const std::string path = folder_.file(name);
        test::writeBytes(path, {'x'});
        return path;
    }

    test::TempDir folder_;
    AnsweredDialogs dialogs_;
};

TEST(QtNameFilters, RealPatternsJoinedBySpacesReplaceTheListInTheDescription) {
    EXPECT_EQ(qtNameFilters(kImages), QStringList{"Images (*.bmp *.jpg *.gif *.png)"});
    EXPECT_EQ(qtNameFilters(kOutputs).join(";;"),
              "HTML (*.html);;RTF (*.rtf);;BMP (*.bmp);;JPG (*.jpg);;PNG (*.png)");
    EXPECT_EQ(qtNameFilters("Pictures (*.gif)|*.bmp; *.png"),
              QStringList{"Pictures (*.bmp *.png)"});
    EXPECT_EQ(qtNameFilters("Pictures|*.bmp"), QStringList{"Pictures (*.bmp)"});
    EXPECT_EQ(qtNameFilters("Notes (readme)|readme"), QStringList{"Notes (readme)"});
    EXPECT_EQ(qtNameFilters("Pictures (small)|*.bmp"), QStringList{"Pictures (small) (*.bmp)"});
    EXPECT_EQ(qtNameFilters("Any|"), QStringList{"Any (*)"});
    EXPECT_EQ(qtNameFilters("Text (*.txt)|*.txt|Dangling"), QStringList{"Text (*.txt)"});
    EXPECT_TRUE(qtNameFilters("").isEmpty());
}

TEST_F(WindowCommonDialogsTest, TheListShowsEveryPictureAndReportsFilesTheSelectionReaches) {
    for (const char* name : {"a.bmp", "b.jpg", "c.gif", "d.PNG", "e.txt", "f.bmp.txt"})
        touch(name);
    std::filesystem::create_directory(folder_.path() / "sub");
    QStringList listed;
    QStringList reported;
    dialogs_.answer = [&](QDialog& dialog) {
        dynamic_cast<QFileDialog&>(dialog).setDirectory(qt(folder_.path()));
        QListView* view = filledList(dialog, 5);
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
            listed << index.data().toString();
            view->setCurrentIndex(index);
        }
        return false;
    };
    dialogs_.chooseFileToOpen(images_, nullptr, [&](const QString& path) { reported << path; });
    listed.sort();
    reported.sort();
    EXPECT_EQ(listed, QStringList({"a.bmp", "b.jpg", "c.gif", "d.PNG", "sub"}));
    EXPECT_EQ(reported, QStringList({qt(folder_.file("a.bmp")), qt(folder_.file("b.jpg")),
                                     qt(folder_.file("c.gif")), qt(folder_.file("d.PNG"))}));
}

TEST(FileDialogFolder, TheLastConfirmedFilesFolderWhileItExists) {
    const test::TempDir folder;
    EXPECT_EQ(fileDialogFolder(""), QDir::currentPath());
    EXPECT_EQ(real(fileDialogFolder(qt(folder.file("any.bmp")))), real(qt(folder.path())));
    EXPECT_EQ(fileDialogFolder(qt(folder.file("gone/picture.bmp"))), QDir::currentPath());
}

TEST_F(WindowCommonDialogsTest, EachFileDialogOpensWhereTheLastOneWasConfirmed) {
    const test::TempDir other;
    std::filesystem::create_directory(folder_.path() / "pictures");
    const std::string picture = touch("pictures/cat.bmp");
    QStringList openedIn;
    auto confirm = [&](const QString& path) {
        return [&, path](QDialog& dialog) {
            openedIn << real(dynamic_cast<QFileDialog&>(dialog).directory().absolutePath());
            return !path.isEmpty() && acceptFile(dialog, path);
        };
    };
    dialogs_.answer = confirm(qt(picture));
    const std::optional<FileDialogChoice> opened = dialogs_.chooseFileToOpen(images_, nullptr, {});
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->fileName, qt(picture));
    dialogs_.answer = confirm(qt(other.file("cat.html")));
    const std::optional<FileDialogChoice> saved = dialogs_.chooseFileToSave(images_);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->fileName, qt(other.file("cat.html")));
    dialogs_.answer = confirm("");
    EXPECT_FALSE(dialogs_.chooseFileToSave(images_));
    EXPECT_FALSE(dialogs_.chooseFileToOpen(images_, nullptr, {}));

    EXPECT_EQ(openedIn,
              QStringList({real(QDir::currentPath()), real(qt(folder_.path() / "pictures")),
                           real(qt(other.path())), real(qt(other.path()))}));
}

TEST_F(WindowCommonDialogsTest, TheOpenDialogPreselectsTheEntryAndReportsTheConfirmedOne) {
    const std::string text = touch("notes.txt");
    FileDialogRequest request{QStringLiteral("Images (*.bmp)|*.bmp|Text (*.txt)|*.txt|All|*"), 2,
                              QStringLiteral("some/folder/start.txt")};
    dialogs_.answer = [&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_TRUE(files.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
        EXPECT_TRUE(files.isSizeGripEnabled());
        EXPECT_EQ(files.selectedNameFilter(), "Text (*.txt)");
        // Only the name: a folder in it would move the dialog elsewhere.
        EXPECT_EQ(fileNameBox(dialog)->text(), "start.txt");
        EXPECT_EQ(real(files.directory().absolutePath()), real(QDir::currentPath()));
        files.selectNameFilter(QStringLiteral("All (*)"));
        return acceptFile(dialog, qt(text));
    };
    const std::optional<FileDialogChoice> chosen = dialogs_.chooseFileToOpen(request, nullptr, {});
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->filterIndex, 3);

    request.filterIndex = 9; // past the entries: the first is taken
    dialogs_.answer = [](QDialog& dialog) {
        EXPECT_EQ(dynamic_cast<QFileDialog&>(dialog).selectedNameFilter(), "Images (*.bmp)");
        return false;
    };
    EXPECT_FALSE(dialogs_.chooseFileToOpen(request, nullptr, {}));
}

TEST_F(WindowCommonDialogsTest, TheSaveDialogNeverAsksButRefusesAMissingFolder) {
    const std::string existing = touch("taken.html");
    const FileDialogRequest outputs{kOutputs, 4, {}};
    BoxCatcher boxes;
    dialogs_.answer = [&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(files.selectedNameFilter(), "JPG (*.jpg)");
        files.setDirectory(qt(folder_.path()));
        fileNameBox(dialog)->setText(QStringLiteral("missing/cat.jpg"));
        static_cast<QDialog&>(files).accept();
        EXPECT_NE(files.result(), QDialog::Accepted);
        EXPECT_EQ(boxes.texts.size(), 1);
        files.selectNameFilter(QStringLiteral("HTML (*.html)"));
        return acceptFile(dialog, qt(existing));
    };
    const std::optional<FileDialogChoice> chosen = dialogs_.chooseFileToSave(outputs);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(boxes.texts.size(), 1); // the existing file went through without a question
    EXPECT_EQ(chosen->fileName, qt(existing));
    EXPECT_EQ(chosen->filterIndex, 1);
}

TEST_F(WindowCommonDialogsTest, ThePreviewIsAColumnRightOfTheDialogAndGoesBackHidden) {
    QWidget window;
    auto* preview = new QWidget(&window);
    preview->setGeometry(272, 120, 73, 85);
    preview->hide();
    const std::string picture = touch("cat.bmp");
    for (bool confirmed : {false, true}) {
        dialogs_.answer = [&](QDialog& dialog) {
            auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
            int row = -1, column = -1, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(preview), &row, &column, &rows, &columns);
            EXPECT_EQ(row, 0);
            EXPECT_EQ(rows, grid->rowCount());
            EXPECT_EQ(column, grid->columnCount() - 1);
            EXPECT_GT(column, 0);
            EXPECT_EQ(preview->parentWidget(), &dialog);
            EXPECT_FALSE(preview->isHidden());
            return confirmed && acceptFile(dialog, qt(picture));
        };
        EXPECT_EQ(dialogs_.chooseFileToOpen(images_, preview, {}).has_value(), confirmed);
        QApplication::processEvents();
        EXPECT_EQ(preview->parentWidget(), &window);
        EXPECT_TRUE(preview->isHidden());
        EXPECT_EQ(preview->geometry(), QRect(272, 120, 73, 85));
    }
}

TEST_F(WindowCommonDialogsTest, TheColourDialogOpensOnTheGivenColourAndKeepsItsCustomRow) {
    QColorDialog::setCustomColor(0, Qt::red); // Qt's row is shared by the whole process
    std::vector<QColor> openedOn;
    std::vector<QRgb> rowShown;
    auto choose = [&](const QColor& chosen, bool confirm) {
        return [&, chosen, confirm](QDialog& dialog) {
            auto& colors = dynamic_cast<QColorDialog&>(dialog);
            openedOn.push_back(colors.currentColor());
            for (int i = 0; i < QColorDialog::customCount(); ++i)
                rowShown.push_back(QColorDialog::customColor(i).rgb());
            QColorDialog::setCustomColor(15, chosen); // the user adds the colour to the row
            colors.setCurrentColor(chosen);
            confirm ? colors.accept() : colors.reject();
            return confirm;
        };
    };
    dialogs_.answer = choose(QColor(10, 20, 30), true);
    EXPECT_EQ(dialogs_.chooseColor(Qt::black), QColor(10, 20, 30));
    EXPECT_EQ(dialogs_.customColors()[15].rgb(), qRgb(10, 20, 30));
    dialogs_.answer = choose(QColor(200, 100, 0), false);
    EXPECT_FALSE(dialogs_.chooseColor(QColor(10, 20, 30)));

    EXPECT_EQ(openedOn, std::vector<QColor>({Qt::black, QColor(10, 20, 30)}));
    std::vector<QRgb> expectedRows(32, qRgb(0, 0, 0));
    expectedRows[16 + 15] = qRgb(10, 20, 30);
    EXPECT_EQ(rowShown, expectedRows);
}

} // namespace
} // namespace varnelo
