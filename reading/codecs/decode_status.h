#pragma once

#include <atomic>
#include <cstdint>
#include <span>

namespace varnelo {

class WorkBitmap;

/// Why a decoder gave no picture. Every decoder leaves its target bitmap
/// empty unless it answers Ok.
enum class DecodeStatus : std::uint8_t {
    Ok,
    WrongFormat, ///< the bytes do not start like a file of this format
    Unsupported, ///< a valid variant this program does not read
    Corrupt,     ///< the file contradicts itself or its format
    Truncated,   ///< the file ends before the picture does
    TooLarge,    ///< the picture exceeds the picture limits
    TooCostly,   ///< decoding would take more work than the decoding limits allow
    OutOfMemory, ///< the picture is inside the limits but memory ran out
    /// decoding would take more memory than the load's limit (ConversionLoad::memoryLimit)
    OverMemoryLimit,
    Cancelled, ///< the caller asked to stop
    /// the decoder lives in a module of the program that could not be loaded
    LibraryMissing,
};

/// Set by the caller to stop a decoder within a fraction of a second; a
/// decoder given none runs to the end.
using DecodeCancel = const std::atomic<bool>*;

/// Whether the caller has asked the decoder to stop.
inline bool cancelled(DecodeCancel cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

/// The bytes of one whole picture file.
using FileBytes = std::span<const std::uint8_t>;

/// Tells the system that a decoder is done with these bytes, so that the
/// pages of a mapped file can leave memory while the picture fills it. The
/// bytes stay as they are and readable; for other memory it is only a hint.
void releaseDecodedBytes(FileBytes bytes);

} // namespace varnelo
