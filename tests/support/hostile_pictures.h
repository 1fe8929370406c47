#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnelo::test {

/// A small file whose header claims far more than a conversion of it
/// should cost, named after what it claims.
struct HostilePicture {
    std::string name;
    std::vector<std::uint8_t> bytes;
    /// Whether it converts within the default memory limit (a real picture
    /// its decoder shrinks while reading), rather than being refused.
    bool convertible = false;
};

/// The files as attackers make them: tiles, canvases and grids far larger
/// than their data, a JPEG's scans inside a TIFF, pictures of 2^28 pixels
/// in a few bytes. Each takes well under a second to make.
std::vector<HostilePicture> hostilePictures();

/// A lossless WebP of width × height pixels of one colour: some thirty
/// bytes, whatever its size, as every pixel takes no bits at all.
std::vector<std::uint8_t> solidLosslessWebp(int width, int height, std::uint32_t argb);

/// Pictures quick to make at any size, of a gradient: an AVIF and a HEIC
/// at their codecs' fastest and lowest quality, and a lossy JPEG XL drawn
/// from a picture an eighth of its size each way, which its decoder
/// enlarges.
std::vector<std::uint8_t> fastAvif(int width, int height);
std::vector<std::uint8_t> fastHeif(int width, int height);
std::vector<std::uint8_t> fastJxl(std::uint32_t width, std::uint32_t height);

/// A HEIF or AVIF grid of columns × rows tiles, every tile the one picture
/// the single-picture file holds (its first item's data, shared by all).
std::vector<std::uint8_t> gridOfOneTile(const std::vector<std::uint8_t>& single, int columns,
                                        int rows);

} // namespace varnelo::test
