#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace varnelo {

/// Inflates a zlib stream piece by piece, into whatever output the caller
/// hands it: with ISA-L where the build has it, some two and a half times
/// zlib's pace on picture data, else with zlib. Both give the same bytes and
/// refuse the same broken streams. The checksum after the data is not read:
/// a picture's rows end before it, and libpng hardly ever reads it either.
class ZlibInflater {
public:
    enum class Result : std::uint8_t {
        Full,      ///< the output is full
        NeedsData, ///< the input is used up before the output is full
        Ended,     ///< the stream's last block is done
        Broken,    ///< the data is no deflate stream
    };

    /// The stream's two header bytes, read and found sound (see
    /// zlibHeaderSound); the window it claims bounds how far back its data
    /// may reach.
    ZlibInflater(std::uint8_t method, std::uint8_t flags);
    ~ZlibInflater();
    ZlibInflater(const ZlibInflater&) = delete;
    ZlibInflater& operator=(const ZlibInflater&) = delete;

    /// False when its state could not be allocated.
    bool ready() const;
    /// The next input, after the header; the bytes must stay until used up.
    void give(std::span<const std::uint8_t> input);
    /// Inflates into output from its start; written says how much it filled.
    Result inflateInto(std::span<std::uint8_t> output, std::size_t& written);

private:
    struct State;
    std::unique_ptr<State> state_;
};

/// Whether a zlib stream's header is one zlib reads: deflate, a window of
/// at most 32 kB, the check bits right, no preset dictionary.
bool zlibHeaderSound(std::uint8_t method, std::uint8_t flags);

} // namespace varnelo
