#include "ui/window_common_dialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>

#include <algorithm>

namespace varnelo {

namespace {

// Wide enough for a useful preview; the panel itself is sized for the
// window, where it never shows.
constexpr int kPreviewColumnWidth = 160;

QStringList patternsOf(const QString& text) {
    QStringList patterns;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty())
            patterns.append(pattern);
    }
    return patterns;
}

// The description without a trailing "(...)" that lists patterns: the
// patterns shown must be the ones that filter, and Qt reads them from the
// last parentheses. A remark in parentheses ("Pictures (small)") stays.
QString descriptionWithoutPatterns(const QString& description, const QStringList& patterns) {
    const QString text = description.trimmed();
    if (!text.endsWith(QLatin1Char(')')))
        return text;
    const qsizetype open = text.lastIndexOf(QLatin1Char('('));
    if (open < 0)
        return text;
    const QString inside = text.sliced(open + 1, text.size() - open - 2);
    const QStringList listed =
        inside.split(QRegularExpression(QStringLiteral("[;, ]")), Qt::SkipEmptyParts);
    const bool isPatternList = inside.contains(QLatin1Char('*')) ||
                               inside.contains(QLatin1Char('?')) || listed == patterns;
    return isPatternList ? text.first(open).trimmed() : text;
}

// Qt's save dialog takes a typed name in a folder that does not exist and
// leaves the failure to whoever writes the file later; refuse it while the
// user can still pick another folder.
class FileDialog final : public QFileDialog {
public:
    explicit FileDialog(QWidget* parent) : QFileDialog(parent) {}

    void accept() override {
        if (acceptMode() == AcceptSave) {
            const QStringList files = selectedFiles();
            if (!files.isEmpty()) {
                const QFileInfo file(files.first());
                if (!file.isDir() && !file.absoluteDir().exists()) {
                    QMessageBox::warning(
                        this, windowTitle(),
                        QStringLiteral("%1\nThis folder does not exist.\nPlease choose an "
                                       "existing folder.")
                            .arg(QDir::toNativeSeparators(file.absolutePath())));
                    return;
                }
            }
        }
        QFileDialog::accept();
    }
};

// Lends the window's preview panel to a dialog as a column right of
// everything else and gives it back, hidden, when the dialog ends: the panel
// belongs to the window and must outlive the dialog.
class LentPreview {
public:
    LentPreview(QFileDialog& dialog, QWidget* preview)
        : grid_(qobject_cast<QGridLayout*>(dialog.layout())) {
        if (preview == nullptr || grid_ == nullptr)
            return;
        preview_ = preview;
        owner_ = preview->parentWidget();
        geometry_ = preview->geometry();
        const int column = grid_->columnCount();
        grid_->addWidget(preview, 0, column, grid_->rowCount(), 1);
        grid_->setColumnMinimumWidth(column, kPreviewColumnWidth);
        preview->show();
        // The preview adds to the dialog's width rather than squeezing its list.
        dialog.resize(dialog.width() + kPreviewColumnWidth + grid_->horizontalSpacing(),
                      dialog.height());
    }
    LentPreview(const LentPreview&) = delete;
    LentPreview& operator=(const LentPreview&) = delete;
    ~LentPreview() {
        if (preview_ == nullptr)
            return;
        grid_->removeWidget(preview_);
        preview_->hide();
        preview_->setParent(owner_);
        preview_->setGeometry(geometry_);
    }

private:
    QGridLayout* grid_;
    QWidget* preview_ = nullptr;
    QWidget* owner_ = nullptr;
    QRect geometry_;
};

} // namespace

QStringList qtNameFilters(const QString& filter) {
    QStringList entries;
    if (filter.isEmpty())
        return entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = patternsOf(parts[i + 1]);
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        const QString description = descriptionWithoutPatterns(parts[i], patterns);
        const QString list = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        entries.append(description.isEmpty() ? list : description + QLatin1Char(' ') + list);
    }
    return entries;
}

QString fileDialogFolder(const QString& lastConfirmedFile) {
    if (!lastConfirmedFile.isEmpty()) {
        const QDir folder = QFileInfo(lastConfirmedFile).absoluteDir();
        if (folder.exists())
            return folder.absolutePath();
    }
    return QDir::currentPath();
}

WindowCommonDialogs::WindowCommonDialogs(QWidget* owner) : owner_(owner) {
    customColors_.fill(Qt::black);
}

std::optional<FileDialogChoice>
WindowCommonDialogs::chooseFileToOpen(const FileDialogRequest& request, QWidget* preview,
                                      const std::function<void(const QString&)>& selectionChanged) {
    FileDialog dialog(owner_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepare(dialog, request);
    if (selectionChanged) {
        QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog,
                         [&selectionChanged](const QString& path) {
                             // The selection passes folders on its way to a file;
                             // there is nothing to preview in them.
                             if (QFileInfo(path).isFile())
                                 selectionChanged(path);
                         });
    }
    const LentPreview lent(dialog, preview);
    return confirm(dialog, request.filterIndex);
}

std::optional<FileDialogChoice>
WindowCommonDialogs::chooseFileToSave(const FileDialogRequest& request) {
    FileDialog dialog(owner_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    prepare(dialog, request);
    return confirm(dialog, request.filterIndex);
}

std::optional<QColor> WindowCommonDialogs::chooseColor(const QColor& initial) {
    // Qt keeps one row of custom colours for the whole process, white at
    // first; the row the user sees is the one these dialogs keep.
    const int count = std::min(QColorDialog::customCount(), static_cast<int>(customColors_.size()));
    for (int i = 0; i < count; ++i)
        QColorDialog::setCustomColor(i, customColors_[static_cast<std::size_t>(i)]);
    QColorDialog dialog(owner_);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(initial);
    const bool confirmed = run(dialog) && dialog.selectedColor().isValid();
    // Colours added to the row stay, as they do in Qt's own dialog, also
    // when the choice itself is cancelled.
    for (int i = 0; i < count; ++i)
        customColors_[static_cast<std::size_t>(i)] = QColorDialog::customColor(i);
    if (!confirmed)
        return std::nullopt;
    return dialog.selectedColor();
}

bool WindowCommonDialogs::run(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

void WindowCommonDialogs::prepare(QFileDialog& dialog, const FileDialogRequest& request) const {
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setSizeGripEnabled(true);
    dialog.setDirectory(fileDialogFolder(lastConfirmedFile_));
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int entry = request.filterIndex;
        const bool known = entry >= 1 && entry <= filters.size();
        dialog.selectNameFilter(filters.at(known ? entry - 1 : 0));
    }
    // A bare name: a folder in it would move the dialog away from the
    // folder it must open in.
    if (!request.initialFileName.isEmpty())
        dialog.selectFile(QFileInfo(request.initialFileName).fileName());
}

std::optional<FileDialogChoice> WindowCommonDialogs::confirm(QFileDialog& dialog,
                                                             int openedWithEntry) {
    if (!run(dialog))
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    FileDialogChoice choice{QDir::toNativeSeparators(files.first()), 1};
    lastConfirmedFile_ = choice.fileName;
    // An entry the dialog cannot name leaves the one it was opened with.
    const qsizetype entry = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    choice.filterIndex = entry >= 0 ? static_cast<int>(entry) + 1 : openedWithEntry;
    return choice;
}

} // namespace varnelo
