#include "reading/codecs/zlib_inflater.h"

#include <algorithm>
#include <limits>
#include <new>

#ifdef VARNELO_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#else
#include <zlib.h>
#endif

namespace varnelo {
namespace {

// Both libraries count in 32 bits.
constexpr std::size_t kMaxStep = std::numeric_limits<std::uint32_t>::max();

} // namespace

bool zlibHeaderSound(std::uint8_t method, std::uint8_t flags) {
    const bool presetDictionary = (flags & 0x20u) != 0;
    return ((method << 8) | flags) % 31 == 0 && (method & 0x0Fu) == 8 && (method >> 4) <= 7 &&
           !presetDictionary;
}

#ifdef VARNELO_HAVE_ISAL

struct ZlibInflater::State {
    inflate_state stream;
};

ZlibInflater::ZlibInflater(std::uint8_t method, std::uint8_t /*flags*/)
    : state_(new (std::nothrow) State) {
    if (!state_)
        return;
    isal_inflate_init(&state_->stream);
    // The header is read. Like zlib as libpng uses it for the rows of a
    // picture, ISA-L never gets to the checksum after them.
    state_->stream.crc_flag = ISAL_DEFLATE;
    state_->stream.hist_bits = (method >> 4) + 8u;
}

ZlibInflater::~ZlibInflater() = default;

bool ZlibInflater::ready() const {
    return state_ != nullptr;
}

void ZlibInflater::give(std::span<const std::uint8_t> input) {
    // ISA-L only reads its input, though its field is not const.
    state_->stream.next_in = const_cast<std::uint8_t*>(input.data());
    state_->stream.avail_in = static_cast<std::uint32_t>(std::min(input.size(), kMaxStep));
}

ZlibInflater::Result ZlibInflater::inflateInto(std::span<std::uint8_t> output,
                                               std::size_t& written) {
    inflate_state& stream = state_->stream;
    const auto room = static_cast<std::uint32_t>(std::min(output.size(), kMaxStep));
    stream.next_out = output.data();
    stream.avail_out = room;
    const int result = isal_inflate(&stream);
    written = room - stream.avail_out;
    if (result < 0)
        return Result::Broken;
    if (stream.block_state == ISAL_BLOCK_FINISH)
        return Result::Ended;
    return stream.avail_out == 0 ? Result::Full : Result::NeedsData;
}

#else

struct ZlibInflater::State {
    z_stream stream{};
    bool started = false;
};

ZlibInflater::ZlibInflater(std::uint8_t method, std::uint8_t /*flags*/)
    : state_(new (std::nothrow) State) {
    // The header is read: zlib takes the raw deflate data after it.
    if (state_ && inflateInit2(&state_->stream, -((method >> 4) + 8)) == Z_OK)
        state_->started = true;
}

ZlibInflater::~ZlibInflater() {
    if (state_ && state_->started)
        inflateEnd(&state_->stream);
}

bool ZlibInflater::ready() const {
    return state_ != nullptr && state_->started;
}

void ZlibInflater::give(std::span<const std::uint8_t> input) {
    // zlib only reads its input; its field is const only with ZLIB_CONST.
    state_->stream.next_in = const_cast<Bytef*>(input.data());
    state_->stream.avail_in = static_cast<uInt>(std::min(input.size(), kMaxStep));
}

ZlibInflater::Result ZlibInflater::inflateInto(std::span<std::uint8_t> output,
                                               std::size_t& written) {
    z_stream& stream = state_->stream;
    const auto room = static_cast<uInt>(std::min(output.size(), kMaxStep));
    stream.next_out = output.data();
    stream.avail_out = room;
    const int result = inflate(&stream, Z_NO_FLUSH);
    written = room - stream.avail_out;
    if (result == Z_STREAM_END)
        return Result::Ended;
    if (result != Z_OK && result != Z_BUF_ERROR)
        return Result::Broken;
    return stream.avail_out == 0 ? Result::Full : Result::NeedsData;
}

#endif

} // namespace varnelo
