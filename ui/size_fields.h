#pragma once

#include <optional>
#include <utility>

class QLabel;
class QLineEdit;

namespace varnelo {

/// The size fields and the estimate line, owned by the window.
struct SizeControls {
    QLineEdit* widthEdit = nullptr;
    QLineEdit* heightEdit = nullptr;
    QLineEdit* fontSizeEdit = nullptr;
    QLabel* sizeEstimateLabel = nullptr;
};

/// The two size fields keep the opened picture's proportion, and the
/// estimate line follows every change of them and of the font size. Each
/// handler runs inside the text change that caused it, on the window's
/// thread; the guard marks stop the two size fields from answering each
/// other's writes.
class SizeFields {
public:
    explicit SizeFields(const SizeControls& controls) : c_(controls) {}

    // Change handlers of the three fields.
    void onWidthChanged();
    void onHeightChanged();
    void onFontSizeChanged();
    void refreshEstimate();
    /// A mode of one character a pixel draws columns × lines cells, which
    /// the estimate line says instead of pixels; none for the window's own
    /// modes.
    void showCells(std::optional<std::pair<int, int>> cells);

    /// A picture of width × height was opened: the fields show its size and
    /// hold to its proportion from now on; an empty picture has none, and
    /// leaves the fields free.
    void showPictureSize(int width, int height);

    /// Width ÷ height of the opened picture, 0.0 until one is opened.
    double aspectRatio() const { return aspectRatio_; }

private:
    SizeControls c_;
    double aspectRatio_ = 0.0;
    int widthGuard_ = 0;
    int heightGuard_ = 0;
    std::optional<std::pair<int, int>> cells_;
};

} // namespace varnelo
