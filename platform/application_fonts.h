#pragma once

namespace varnelo {

/// Makes the Windows faces Debian's fonts-wine package ships (Tahoma,
/// MS Sans Serif and others) available to this program. fontconfig does not
/// look in their folder, and it refuses the bitmap-only MS Sans Serif, so
/// they are registered with Qt directly. Needs a QGuiApplication; missing
/// files are skipped.
void registerApplicationFonts();

} // namespace varnelo
