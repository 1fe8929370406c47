#pragma once

#include "reading/codecs/decode_status.h"

#include "reading/file_bytes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnelo {

class WorkBitmap;
struct ConversionLoad;

enum class PictureType : std::uint8_t { None, Bmp, Jpeg, Gif, Png, Webp, Avif, Heif, Tiff, Jxl };

enum class Orientation : std::uint8_t;

/// A picture type the program reads: how its files are known, named and
/// read. Everything that lists, recognises or decodes picture types reads
/// its row.
struct PictureTypeEntry {
    PictureType type;
    /// Lower case, dot included, the usual one first; what the open dialog
    /// offers, and what decides a file whose bytes start like no picture.
    std::span<const std::string_view> extensions;
    std::string_view label; ///< its name in lists and messages
    /// The media types desktops know it by, shared-mime-info's own name
    /// first, then the aliases other desktops use; the desktop entry and
    /// the metainfo list them.
    std::span<const std::string_view> mediaTypes;
    /// Whether a file's first bytes (at most kPictureProbeBytes of them,
    /// fewer for a shorter file) are those of a file of the type.
    bool (*probe)(FileBytes head);
    /// Decodes a file as stored, as the decoders' own functions describe.
    DecodeStatus (*decode)(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                           ConversionLoad* conversion);
    /// How the file says it is to be turned to show upright; nothing for
    /// a type that stores no orientation.
    Orientation (*orientation)(FileBytes file);
};

/// Every picture type the program reads, in the order lists show them.
std::span<const PictureTypeEntry> pictureTypes();

/// The extension by which a path is loaded: from the path's last "." on,
/// wherever that dot stands (so "my.bmp/picture" gives ".bmp"), ending at a
/// folder separator, with only A-Z folded to lower case; empty without a dot.
std::string pictureExtensionOf(std::string_view path);

/// The picture type a path names by its extension; None for any other.
/// Loading goes by the file's first bytes and falls back on this.
PictureType pictureTypeOf(std::string_view path);

/// How many of a file's first bytes tell its type.
inline constexpr std::size_t kPictureProbeBytes = 64;

/// The picture type the bytes start like, whatever the file is named;
/// None for any other.
PictureType pictureTypeOfContent(FileBytes bytes);

/// The label of a picture type ("PNG"), empty for None.
std::string_view pictureTypeLabel(PictureType type);

enum class LoadStatus : std::uint8_t {
    Loaded,    ///< the bitmap holds the picture
    Failed,    ///< a BMP, JPEG or GIF that could not be read: the bitmap is now empty
    PngFailed, ///< a PNG that could not be read: the bitmap keeps what it held
    Ignored,   ///< neither the bytes nor the name are a picture's: the bitmap keeps what it held
};

/// How loading a picture ended, and why it failed.
struct LoadOutcome {
    LoadStatus status = LoadStatus::Ignored;
    PictureType type = PictureType::None;
    /// Whether the file itself could be read, and the system's error number when not.
    ReadFileOutcome file;
    /// Why the decoder gave no picture; Ok when the file could not be read.
    DecodeStatus detail = DecodeStatus::Ok;
    /// For DecodeStatus::OverMemoryLimit: the bytes the load would have
    /// taken, and the most it was allowed.
    std::int64_t memoryNeeded = 0;
    std::int64_t memoryLimit = 0;
};

/// Loads the picture file at path into bitmap, choosing the decoder by the
/// file's first bytes, so that a JPEG named .jpeg or without extension and
/// a PNG named .jpg load; only bytes that start like no picture are left to
/// the extension's decoder, which then reports them broken. A PNG failure
/// leaves the bitmap untouched so that the caller can report it and go on
/// with the picture it had; the other formats leave an empty bitmap when
/// they fail. A file that is neither, by its bytes or by its name, is
/// Ignored; file tells whether it could be read at all.
/// Setting cancel stops the decoding within a fraction of a second; the
/// load then fails with DecodeStatus::Cancelled.
/// With a conversion load the bitmap gets the picture at the conversion's
/// size (see ConversionLoad), and the load's facts tell what it was;
/// without one it loads whole, within the default memory limit.
LoadOutcome loadPicture(const std::string& path, WorkBitmap& bitmap, DecodeCancel cancel = nullptr,
                        ConversionLoad* conversion = nullptr);

/// Loads a picture from bytes read from somewhere without a name, its type
/// taken from its first bytes: the outcome is Ignored when they start like
/// no picture, and the bitmap then keeps what it held.
LoadOutcome loadPictureBytes(FileBytes bytes, WorkBitmap& bitmap, DecodeCancel cancel = nullptr,
                             ConversionLoad* conversion = nullptr);

/// Decodes the bytes of a picture file of the given type into picture,
/// turned upright as its EXIF orientation says (unless the conversion load
/// turns that off); on failure the picture is empty. loadPicture's work
/// once the file is read.
DecodeStatus decodePicture(PictureType type, FileBytes file, WorkBitmap& picture,
                           DecodeCancel cancel = nullptr, ConversionLoad* conversion = nullptr);

/// The largest file loadPicture reads: the largest uncompressed BMP inside
/// the picture limits, and some room for its headers.
inline constexpr std::size_t kMaxPictureFileBytes = (std::size_t{1} << 30) + (std::size_t{1} << 20);

} // namespace varnelo
