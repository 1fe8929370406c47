#pragma once

#include "engine/conversion_settings.h"
#include "ui/choice_group.h"

#include <QString>

#include <string>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QWidget;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace varnelo {

class CommonDialogs;
struct DialogMemory;
class Shell;

/// The controls of the window's output side: the output file above, and
/// "output options". Each format's choice has its name here as well as in
/// its group.
struct OutputControls {
    QLabel* outputFileLabel = nullptr;
    QLineEdit* outputFileEdit = nullptr;
    QPushButton* outputFileButton = nullptr;
    QGroupBox* outputGroup = nullptr;
    QRadioButton* plainHtmlRadio = nullptr;
    QRadioButton* cssHtmlRadio = nullptr;
    QRadioButton* rtfRadio = nullptr;
    QRadioButton* imageRadio = nullptr;
    QCheckBox* saveBmpCheck = nullptr;
    QCheckBox* saveJpgCheck = nullptr;
    QCheckBox* savePngCheck = nullptr;
    QLabel* qualityLabel = nullptr;
    QLineEdit* qualityEdit = nullptr;
    QLabel* noOptionsLabel = nullptr;
    /// The document formats and "as image", in their Tab order.
    ChoiceGroup<OutputFormat, QRadioButton> formatChoices;
    /// The image file types, in their Tab order.
    ChoiceGroup<ImageFormat, QCheckBox> imageTypeChoices;
};

/// The output side of the window: the output file, the document and image
/// formats, the quality field and "open output file". What each format is
/// called, its extension and its quality come from the output format table;
/// this knows only which control stands for which format. It makes its
/// controls and sees only those; the window owns it. Every function runs on
/// the window's thread.
class OutputCommands {
public:
    OutputCommands(OutputControls& controls, QWidget& window, CommonDialogs& dialogs,
                   DialogMemory& memory, Shell& shell);

    /// Makes the output file's controls and the group with its controls in
    /// the window, at their places, the starting formats chosen.
    void create();
    /// Connects each control to its command; openOutputButton, which stands
    /// with the conversion's buttons, opens the output.
    void connectEvents(QPushButton* openOutputButton);
    /// Puts the output's choices into settings: the file, the formats and
    /// the quality.
    void fillSettings(ConversionSettings& settings) const;

    // Click and change handlers of the output controls.
    void chooseOutputFile();
    void onDocumentFormatClicked();
    void onImageOutputClicked();
    void onImageFormatClicked(QCheckBox* clicked);
    void onQualityChanged();
    void openOutputFile();

    /// Ticks the controls of the formats without running their handlers,
    /// as the window starts.
    void showFormats(OutputFormat outputFormat, ImageFormat imageFormat);

    /// A picture was opened: output names follow it from now on, and the
    /// output field proposes one beside it.
    void proposeOutputBeside(const std::string& picturePath);

    /// The base the output field's name was proposed beside, while the field
    /// still holds that proposal; empty once the user has typed another name
    /// or a conversion has written the file.
    std::string proposedNameBase() const;
    /// A conversion wrote the file: the field shows its name (another one when
    /// the proposed name was taken meanwhile), and the next conversion writes
    /// over it.
    void conversionWrote(const std::string& path);

    /// The formats the controls choose.
    OutputFormat outputFormat() const;
    ImageFormat imageFormat() const;

private:
    void onFormatClicked(OutputFormat format);
    /// The extension of the chosen format.
    std::string outputExtension() const;
    void deriveOutputName();
    void proposeName();

    OutputControls& c_;
    QWidget& window_;
    CommonDialogs& dialogs_;
    DialogMemory& dialogMemory_;
    Shell& shell_;
    // The name output names are derived from: the opened picture, or the
    // file last chosen in the output dialog.
    std::string outputNameBase_;
    // The name last proposed in the field.
    QString proposed_;
};

} // namespace varnelo
