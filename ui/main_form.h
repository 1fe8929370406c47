#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "reading/picture_loader.h"
#include "ui/character_panel.h"
#include "ui/common_dialogs.h"
#include "ui/conversion_panel.h"
#include "ui/conversion_view.h"
#include "ui/image_panel.h"
#include "ui/output_commands.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QPushButton;

namespace varnelo {

class Clock;
class ConversionController;
class FooterLine;
class MessageBoxes;
class PictureLoading;
class PreviewPanel;
class ResultPreview;
class ResultRendering;
class Shell;

/// What the window needs from outside, so tests can replace it. Left
/// empty, the window uses the system clock, its own message boxes, the
/// desktop's shell, the real writers, and loads pictures on threads of their own.
struct MainFormServices {
    const Clock* clock = nullptr;
    MessageBoxes* messages = nullptr;
    Shell* shell = nullptr;
    CommonDialogs* dialogs = nullptr;
    WriterFactory makeWriter;
    std::function<std::unique_ptr<PictureLoading>()> makePictureLoading;
};

/// Every control of the window, named as the window's commands know them:
/// those of each panel, and the window's own. Each is owned by its parent
/// widget.
struct MainFormControls : CharacterControls, OutputControls, ImageControls, ConversionControls {
    QPushButton* openPictureButton = nullptr;
    FooterLine* footerLine = nullptr;
    PreviewPanel* previewPanel = nullptr;
};

/// The program's one window: it owns every control and all the state of a
/// run. Its character, output and image panels are units of their own that
/// it owns, each making and running only its own controls; the window runs
/// the conversion and "open picture", in files of their own.
class MainForm final : public QWidget, private ConversionView {
    Q_OBJECT

public:
    explicit MainForm(MainFormServices services = {}, QWidget* parent = nullptr);
    ~MainForm() override;

    const MainFormControls& controls() const { return controls_; }
    const WorkBitmap& workBitmap() const { return workBitmap_; }
    const std::string& sourcePath() const { return sourcePath_; }
    double aspectRatio() const;
    bool conversionRunning() const;
    RandomGenerator& random() { return random_; }
    OutputCommands& outputCommands() { return *output_; }

    /// Loads a picture as "open picture" does once its dialog is confirmed:
    /// the picture, the proposed output name, depth, sizes and background,
    /// once it is decoded, off the window's thread.
    void openPictureFile(const std::string& path);
    /// Takes a picture as a drop from a file manager does: the picture
    /// shown before is let go at once, then the new one opens.
    void openDroppedPicture(const std::string& path);
    /// Whether a picture opened or dropped is still being decoded.
    bool openingPicture() const;

    /// The window beside this one that shows the result as it will look;
    /// it opens with each picture opened, and Ctrl+R opens it again.
    ResultPreview& resultPreview() { return *resultPreview_; }
    void showResultPreview();
    /// Whether the preview is still drawing the latest settings, or
    /// copying the result.
    bool renderingResult() const;

    // Commands of the conversion (click handlers, window's thread).
    void startConversion();
    void cancelConversion();

    // "open picture": the dialog with its live preview, then the picture.
    void openPicture();

    // The preview's "stretch" box.
    void onStretchClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    // A picture dropped from a file manager: taken as "open picture" takes
    // the one confirmed in its dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction, in the order the window is built.
    void createControls();
    void connectEvents();
    void initialiseState();
    void applyTexts();
    void sizeLabelsToText();

    // The conversion.
    ConversionSettings settingsFromControls() const;
    // The controls' choices as they are, and the settings a conversion
    // takes from them (the face a mode of one character a pixel needs):
    // what the preview watches, and what it draws.
    ConversionSettings chosenSettings() const;
    ConversionSettings settled(ConversionSettings settings) const;
    mutable std::string monospaced_;
    // Starts the conversion create asked for while the picture loaded.
    void startWaitingConversion();
    void lockForConversion();
    void unlockAfterConversion(bool openOutputEnabled);
    void showStatus(const QString& text) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;
    void conversionEnded(const PassResult& result) override;
    void takeOpenedPicture(const std::string& path, const LoadOutcome& outcome, WorkBitmap picture);

    // The real services stand in for those a test does not give.
    std::unique_ptr<const Clock> ownClock_;
    std::unique_ptr<MessageBoxes> ownMessages_;
    std::unique_ptr<Shell> ownShell_;
    std::unique_ptr<CommonDialogs> ownDialogs_;
    const Clock& clock_;
    MessageBoxes& messages_;
    Shell& shell_;
    CommonDialogs& dialogs_;
    DialogMemory dialogMemory_;
    WriterFactory makeWriter_;
    MainFormControls controls_;
    RandomGenerator random_;
    WorkBitmap workBitmap_;
    std::string sourcePath_;
    std::unique_ptr<CharacterPanel> character_;
    std::unique_ptr<OutputCommands> output_;
    std::unique_ptr<ImagePanel> image_;
    std::unique_ptr<ConversionController> conversion_;
    // Where the focus was when create locked the window, to give it back.
    QPointer<QWidget> focusBeforeLock_;
    // Create was pressed while the picture still loaded: the conversion
    // starts once it has arrived.
    bool createWhenLoaded_ = false;
    // The dialog's preview and the opened picture load apart: confirming
    // a file stops the preview, never the picture.
    std::unique_ptr<PictureLoading> previewLoading_;
    std::unique_ptr<PictureLoading> pictureLoading_;
    // The result's preview, redrawn whenever the settings it was drawn
    // with are no longer the controls' (watched as often as the timer).
    std::unique_ptr<ResultPreview> resultPreview_;
    std::unique_ptr<ResultRendering> rendering_;
    QTimer settingsWatch_;
    std::optional<std::pair<ConversionSettings, std::uint32_t>> rendered_;
    // The settings the estimate line last followed.
    std::optional<ConversionSettings> estimated_;
    // The generator's state the next conversion starts from, as the preview
    // draws with it: read only while no pass holds the generator.
    std::uint32_t previewSeed_ = 0;
    // The settings the preview draws: those of the controls, less what
    // does not change the picture.
    ConversionSettings previewedSettings() const;
    void followSettings();
};

} // namespace varnelo
