// Which command each control's events run.
#include "engine/character_modes.h"
#include "ui/color_swatch.h"
#include "ui/main_form.h"
#include "ui/output_commands.h"
#include "ui/preview_panel.h"
#include "ui/size_fields.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace varnelo {

void MainForm::connectEvents() {
    const MainFormControls& c = controls_;
    connect(c.openPictureButton, &QPushButton::clicked, this, &MainForm::openPicture);
    connect(c.createButton, &QPushButton::clicked, this, &MainForm::startConversion);
    connect(c.cancelButton, &QPushButton::clicked, this, &MainForm::cancelConversion);
    connect(c.exitButton, &QPushButton::clicked, this, &QWidget::close);
    SizeFields* size = sizeFields_.get();
    connect(c.widthEdit, &QLineEdit::textChanged, this, [size] { size->onWidthChanged(); });
    connect(c.heightEdit, &QLineEdit::textChanged, this, [size] { size->onHeightChanged(); });
    connect(c.fontSizeEdit, &QLineEdit::textChanged, this, [size] { size->onFontSizeChanged(); });

    OutputCommands* output = output_.get();
    connect(c.outputFileButton, &QPushButton::clicked, this,
            [output] { output->chooseOutputFile(); });
    for (QRadioButton* format : {c.plainHtmlRadio, c.cssHtmlRadio, c.rtfRadio})
        connect(format, &QRadioButton::clicked, this,
                [output] { output->onDocumentFormatClicked(); });
    connect(c.imageRadio, &QRadioButton::clicked, this,
            [output] { output->onImageOutputClicked(); });
    for (QCheckBox* check : {c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        connect(check, &QCheckBox::clicked, this,
                [output, check] { output->onImageFormatClicked(check); });
    connect(c.qualityEdit, &QLineEdit::textChanged, this, [output] { output->onQualityChanged(); });
    connect(c.openOutputButton, &QPushButton::clicked, this,
            [output] { output->openOutputFile(); });

    for (const CharacterMode& mode : characterModes()) {
        if (QRadioButton* choice = modeRadioOf(c, mode.transformation))
            connect(choice, &QRadioButton::clicked, this, &MainForm::onModeClicked);
    }
    connect(c.rangeFromEdit, &QLineEdit::textChanged, this, &MainForm::onRangeFromChanged);
    connect(c.rangeToEdit, &QLineEdit::textChanged, this, &MainForm::onRangeToChanged);
    connect(c.customTextFileButton, &QPushButton::clicked, this, &MainForm::loadPhraseFile);
    connect(c.colorSwatch, &ColorSwatch::clicked, this, &MainForm::chooseBackgroundColor);
    connect(c.previewPanel->stretchCheck(), &QCheckBox::clicked, this, &MainForm::onStretchClicked);
}

} // namespace varnelo
