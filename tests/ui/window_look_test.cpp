// What the window shows as pixels: the colours of its fields through every
// enable and disable, the bold footer, the font list's entries, and its
// captions at the screen's scale (these tests run again at 1.5 and 2).
#include "tests/ui/window_fakes.h"
#include "ui/font_list.h"
#include "ui/footer_line.h"
#include "ui/main_form.h"
#include "ui/preview_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <set>

namespace varnelo {
namespace {

class WindowLook : public test::WindowTest {
protected:
    WindowLook() {
        form_.show();
        QCoreApplication::processEvents();
    }

    // The colour a field shows behind its text: a pixel near its left edge,
    // left of any text and clear of the frame and of a list's arrow.
    static QColor background(QWidget* field) {
        const QImage image = field->grab().toImage();
        const qreal scale = image.devicePixelRatio();
        return image.pixelColor(static_cast<int>(2 * scale),
                                static_cast<int>(field->height() * scale / 2));
    }

    QColor windowColor() const { return form_.palette().color(QPalette::Base); }
    QColor buttonFace() const { return form_.palette().color(QPalette::Button); }

    void expectShows(QWidget* field, bool windowColorExpected, const char* when) {
        EXPECT_EQ(background(field), windowColorExpected ? windowColor() : buttonFace())
            << field->accessibleName().toStdString() << " " << when;
    }
};

TEST_F(WindowLook, FieldsShowTheirStateByTheirBackgroundThroughEveryChange) {
    ASSERT_NE(windowColor(), buttonFace());
    // The start: the mode fields on the button face, enabled or not.
    for (QWidget* field : std::initializer_list<QWidget*>{c.customTextEdit, c.rangeFromEdit,
                                                          c.rangeToEdit, c.blockStrengthList})
        expectShows(field, false, "at the start");
    for (QWidget* field :
         std::initializer_list<QWidget*>{c.outputFileEdit, c.fontSizeEdit, c.widthEdit,
                                         c.heightEdit, c.colorDepthList, c.fontList})
        expectShows(field, true, "at the start");

    struct Mode {
        QRadioButton* radio;
        bool text, blocks, range;
    };
    for (const Mode& mode :
         {Mode{c.customTextRadio, true, false, false},
          Mode{c.terminalBlocksRadio, false, true, false},
          Mode{c.customRangeRadio, false, false, true}, Mode{c.numbersRadio, false, false, false},
          Mode{c.customTextRadio, true, false, false}}) {
        mode.radio->click();
        const std::string when = mode.radio->text().toStdString();
        expectShows(c.customTextEdit, mode.text, when.c_str());
        expectShows(c.blockStrengthList, mode.blocks, when.c_str());
        expectShows(c.rangeFromEdit, mode.range, when.c_str());
        expectShows(c.rangeToEdit, mode.range, when.c_str());
    }

    c.imageRadio->click();
    expectShows(c.qualityEdit, false, "BMP");
    c.saveJpgCheck->click();
    expectShows(c.qualityEdit, true, "JPG");
    c.savePngCheck->click();
    expectShows(c.qualityEdit, true, "PNG");
    c.saveBmpCheck->click();
    expectShows(c.qualityEdit, false, "BMP again");
}

TEST_F(WindowLook, AFileOfPhrasesBringsTheWindowColourToThePhraseField) {
    const QString phrases = QDir::temp().filePath(QStringLiteral("varnelo-look-phrase.txt"));
    QFile file(phrases);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ab");
    file.close();
    dialogs_.openAnswers.push_back([&](test::ScriptedDialogs& d, QWidget*, const auto&) {
        d.chosenFileName = phrases;
        return true;
    });
    c.terminalBlocksRadio->click();
    c.customTextFileButton->click();
    expectShows(c.customTextEdit, true, "after the phrase file");
    expectShows(c.blockStrengthList, true, "kept");
    QFile::remove(phrases);
}

// The ink of a text: its dark pixels, below the separator line.
int inkOf(const QImage& image) {
    int ink = 0;
    for (int y = static_cast<int>(2 * image.devicePixelRatio()); y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
    }
    return ink;
}

TEST_F(WindowLook, TheFooterIsBoldInTheWindowsFace) {
    FooterLine* footer = c.footerLine;
    const QImage drawn = footer->grab().toImage();
    // The same line drawn once in the regular face: the footer's text holds
    // clearly more ink, and spans the width Tahoma gives it (another family,
    // wider, would show the database's substitute for a bold Tahoma).
    QImage regular(drawn.size(), drawn.format());
    regular.setDevicePixelRatio(drawn.devicePixelRatio());
    regular.fill(footer->palette().color(QPalette::Button));
    QPainter painter(&regular);
    QFont face = footer->font();
    face.setBold(false);
    painter.setFont(face);
    painter.setPen(footer->palette().color(QPalette::WindowText));
    const int flags = Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
    painter.drawText(QRect(0, 3, footer->width() - 1, footer->height() - 3), flags,
                     footer->shownText());
    painter.end();
    EXPECT_GT(inkOf(drawn), inkOf(regular) * 13 / 10);
    EXPECT_EQ(face.family(), QStringLiteral("Tahoma"));
}

TEST_F(WindowLook, TheFontListNamesEachFamilyOnceAndDrawsOnlyReadableNames) {
    const qreal ratio = form_.devicePixelRatioF();
    const std::vector<FontListEntry> entries = fontListEntries(ratio);
    std::set<QString> names;
    for (const FontListEntry& entry : entries) {
        EXPECT_FALSE(entry.name.contains(QLatin1Char('['))) << entry.name.toStdString();
        EXPECT_TRUE(names.insert(entry.name).second) << "twice: " << entry.name.toStdString();
        if (entry.drawnIn && ratio != 1.0) {
            EXPECT_TRUE(QFontDatabase::isSmoothlyScalable(*entry.drawnIn))
                << entry.name.toStdString() << " would draw small and spaced out";
        }
    }
    for (const char* own : {"Terminal", "Tahoma"})
        EXPECT_EQ(names.count(QString::fromLatin1(own)), 1u) << own;
    const auto entry = [&](const char* name) {
        for (const FontListEntry& e : entries) {
            if (e.name == QLatin1String(name))
                return e;
        }
        ADD_FAILURE() << name << " is not listed";
        return FontListEntry{};
    };
    EXPECT_TRUE(entry("Tahoma").scalable);
    EXPECT_EQ(entry("Tahoma").drawnIn, QStringLiteral("Tahoma"));
    EXPECT_FALSE(entry("Terminal").scalable);
    EXPECT_EQ(entry("Terminal").drawnIn, QStringLiteral("DejaVu Sans Mono"));
    // fonts-wine's picture faces draw their names in the list's face.
    EXPECT_FALSE(entry("Marlett").drawnIn.has_value());
    EXPECT_FALSE(entry("Symbol").drawnIn.has_value());
    EXPECT_EQ(entry("System").drawnIn.has_value(), ratio == 1.0);
    EXPECT_EQ(fontListFace(ratio) == QLatin1String("MS Sans Serif"), ratio == 1.0);

    // The list shows them, the icon on the scalable ones.
    FontList* list = c.fontList;
    ASSERT_EQ(list->count(), static_cast<int>(entries.size()));
    for (int i = 0; i < list->count(); ++i) {
        const FontListEntry& e = entries[static_cast<std::size_t>(i)];
        EXPECT_EQ(list->itemText(i), e.name);
        EXPECT_EQ(list->itemIcon(i).isNull(), !e.scalable) << e.name.toStdString();
        EXPECT_EQ(list->itemData(i, Qt::FontRole).isValid(), e.drawnIn.has_value());
    }
    EXPECT_EQ(list->face(), QStringLiteral("Tahoma"));
}

// Whether a caption fits its control with room for what the style draws
// around it.
void expectFits(const QAbstractButton* button) {
    const int needed = button->fontMetrics().horizontalAdvance(button->text());
    EXPECT_LE(needed + 4, button->width()) << button->text().toStdString();
    EXPECT_LE(button->fontMetrics().height(), button->height()) << button->text().toStdString();
}

TEST_F(WindowLook, EveryCaptionFitsItsPlaceAtTheScreensScale) {
    for (const QPushButton* button : form_.findChildren<QPushButton*>())
        expectFits(button);
    for (const QAbstractButton* choice : form_.findChildren<QAbstractButton*>()) {
        // The preview's "Stretch" lives in the open dialog, which sizes it.
        if (qobject_cast<const QPushButton*>(choice) != nullptr ||
            c.previewPanel->isAncestorOf(choice))
            continue;
        // Sized to their text: they must end before the group's edge.
        const QWidget* group = choice->parentWidget();
        EXPECT_LE(choice->geometry().right(), group->width()) << choice->text().toStdString();
        EXPECT_GE(choice->width(), choice->sizeHint().width()) << choice->text().toStdString();
    }
    for (const QLabel* label : form_.findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        const QRect needed = label->fontMetrics().boundingRect(
            QRect(0, 0, label->width(), 1000),
            static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
            label->text());
        EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
        // A line needs the font's height; boundingRect adds a pixel of ink
        // overhang below the last line.
        const int lines = (needed.height() + label->fontMetrics().leading()) /
                          std::max(1, label->fontMetrics().lineSpacing());
        EXPECT_LE(std::max(1, lines) * label->fontMetrics().height(), label->height() + (lines - 1))
            << label->text().toStdString();
    }
    for (const QGroupBox* group : form_.findChildren<QGroupBox*>())
        EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 10, group->width());
    const FooterLine* footer = c.footerLine;
    EXPECT_LE(footer->fontMetrics().horizontalAdvance(footer->idleText()) + 2, footer->width());
}

} // namespace
} // namespace varnelo
