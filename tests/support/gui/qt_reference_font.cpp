#include "tests/support/gui/qt_reference_font.h"

#include "engine/codepages.h"

#include <QRawFont>

#include <algorithm>
#include <cmath>

namespace varnelo {

namespace {

// DejaVu Sans Mono has every glyph of code page 437 and is always installed with the program.
constexpr const char* kTerminalDrawingFace = "DejaVu Sans Mono";

struct WindowsMetrics {
    double unitsPerEm = 0;
    int winAscent = 0;
    int winDescent = 0;
    bool valid() const { return unitsPerEm > 0 && winAscent + winDescent > 0; }
};

// usWinAscent and usWinDescent of the OS/2 table: the cell height Windows
// gives a TrueType face. Qt measures with other tables for faces that set
// USE_TYPO_METRICS, so it would make Tahoma's cells two pixels too short.
WindowsMetrics windowsMetrics(const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray table = raw.fontTable("OS/2");
    if (!raw.isValid() || table.size() < 78)
        return {};
    auto word = [&](int offset) {
        return (static_cast<std::uint8_t>(table[offset]) << 8) |
               static_cast<std::uint8_t>(table[offset + 1]);
    };
    return {raw.unitsPerEm(), word(74), word(76)};
}

QFont baseFont(const std::string& face, bool terminal) {
    // Face names are Windows-1252 bytes like every text of a conversion.
    QFont font(terminal ? QString::fromLatin1(kTerminalDrawingFace)
                        : QString::fromStdString(windows1252ToUtf8(face)));
    font.setKerning(false); // each cell holds its own text; Windows draws without kerning
    font.setPixelSize(64);  // metrics below are read in font units
    return font;
}

} // namespace

QtReferenceFont::QtReferenceFont(const std::string& face, int cellHeight)
    : font_(baseFont(face, codePageOfFace(face) == CodePage::Cp437)), metrics_(font_),
      codePage_(codePageOfFace(face)) {
    const int wanted = std::max(cellHeight, 1);
    const WindowsMetrics windows = windowsMetrics(font_);
    if (windows.valid()) {
        const double total = windows.winAscent + windows.winDescent;
        const int pixelSize =
            std::max(1, static_cast<int>(std::lround(wanted * windows.unitsPerEm / total)));
        font_.setPixelSize(pixelSize);
        const double scale = pixelSize / windows.unitsPerEm;
        ascent_ = static_cast<int>(std::lround(windows.winAscent * scale));
        textHeight_ = ascent_ + static_cast<int>(std::lround(windows.winDescent * scale));
    } else {
        font_.setPixelSize(wanted);
        const QFontMetrics metrics(font_);
        ascent_ = metrics.ascent();
        textHeight_ = metrics.ascent() + metrics.descent();
    }
    metrics_ = QFontMetrics(font_);
}

QString QtReferenceFont::toText(const ByteString& bytes) const {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        const auto value = static_cast<std::uint8_t>(byte);
        if (value == 0) { // would end the text early; drawn as a blank
            text += QLatin1Char(' ');
            continue;
        }
        text += QChar(toUnicode(codePage_, value));
    }
    return text;
}

int QtReferenceFont::textWidth(const ByteString& bytes) const {
    return metrics_.horizontalAdvance(toText(bytes));
}

} // namespace varnelo
