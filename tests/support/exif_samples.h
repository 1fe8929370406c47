#pragma once

#include <cstdint>
#include <vector>

namespace varnelo::test {

/// EXIF data (a TIFF structure) whose first directory holds an Orientation
/// tag of the given value behind another tag, in either byte order.
std::vector<std::uint8_t> exifWithOrientation(int orientation, bool bigEndian = false);

/// The JPEG file with an APP1 "Exif" segment holding the EXIF data put
/// right after its start-of-image marker, as cameras write it.
std::vector<std::uint8_t> withExifSegment(const std::vector<std::uint8_t>& jpeg,
                                          const std::vector<std::uint8_t>& exif);

/// The PNG file with an eXIf chunk holding the EXIF data put right before
/// its first IDAT chunk.
std::vector<std::uint8_t> withExifChunk(const std::vector<std::uint8_t>& png,
                                        const std::vector<std::uint8_t>& exif);

} // namespace varnelo::test
