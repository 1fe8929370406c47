#pragma once

#include "base/byte_string.h"
#include "engine/codepages.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace varnelo {

/// The font of the image output's cells: a face at the pixel size whose
/// cell height, in the Windows sense (ascent plus descent of the face's
/// OS/2 table, internal leading included), is the wanted height. Bytes map
/// through Windows-1252, or through code page 437 for the "Terminal" face.
class QtReferenceFont {
public:
    QtReferenceFont(const std::string& face, int cellHeight);

    const QFont& font() const { return font_; }
    /// The height of one line of text, internal leading included.
    int textHeight() const { return textHeight_; }
    int ascent() const { return ascent_; }
    /// The width in pixels of the bytes drawn in one line.
    int textWidth(const ByteString& bytes) const;
    /// The characters the bytes stand for in this font.
    QString toText(const ByteString& bytes) const;

private:
    QFont font_;
    QFontMetrics metrics_;
    CodePage codePage_ = CodePage::Windows1252;
    int textHeight_ = 0;
    int ascent_ = 0;
};

} // namespace varnelo
