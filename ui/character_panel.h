#pragma once

#include "engine/conversion_settings.h"
#include "ui/choice_group.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace varnelo {

class ColorSwatch;
class CommonDialogs;
class FontList;
struct DialogMemory;

/// The controls of "pixel transformation options": the modes and their
/// fields, the font, its size and the background colour. Each mode's choice
/// has its name here as well as in modeChoices.
struct CharacterControls {
    QGroupBox* transformationGroup = nullptr;
    QLabel* backgroundColorLabel = nullptr;
    QLabel* fontSizeLabel = nullptr;
    QLabel* rangeToLabel = nullptr;
    QComboBox* blockStrengthList = nullptr;
    QRadioButton* customTextRadio = nullptr;
    QRadioButton* smallLettersRadio = nullptr;
    QRadioButton* bigLettersRadio = nullptr;
    QRadioButton* terminalBlocksRadio = nullptr;
    QRadioButton* binaryCodeRadio = nullptr;
    QRadioButton* numbersRadio = nullptr;
    QRadioButton* customRangeRadio = nullptr;
    ColorSwatch* colorSwatch = nullptr;
    QLineEdit* customTextEdit = nullptr;
    QLineEdit* rangeFromEdit = nullptr;
    QLineEdit* rangeToEdit = nullptr;
    FontList* fontList = nullptr;
    QLineEdit* fontSizeEdit = nullptr;
    QPushButton* customTextFileButton = nullptr;
    /// The modes' choices, in their Tab order.
    ChoiceGroup<PixelTransformation, QRadioButton> modeChoices;
};

/// Whether "pixel transformation options" offers the mode; the others are
/// the converter's, which the preview's window offers instead.
bool windowOffersMode(PixelTransformation mode);

/// The character side of the window: it makes its controls, and runs the
/// mode choices, the range checks, the phrase file and the background
/// colour. It sees only its own controls; the window owns it.
class CharacterPanel {
public:
    CharacterPanel(CharacterControls& controls, QWidget& window, CommonDialogs& dialogs,
                   DialogMemory& memory);

    /// Makes the group and its controls in the window, at their places.
    void create();
    /// Connects each control to its command.
    void connectEvents();

    // The commands.
    void onModeClicked();
    void onRangeFromChanged();
    void onRangeToChanged();
    void loadPhraseFile();
    void chooseBackgroundColor();

    PixelTransformation chosenTransformation() const;
    /// Puts the characters' choices into settings: the mode and its field,
    /// the font, its size and the background colour.
    void fillSettings(ConversionSettings& settings) const;

private:
    CharacterControls& c_;
    QWidget& window_;
    CommonDialogs& dialogs_;
    DialogMemory& dialogMemory_;
};

} // namespace varnelo
