#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace varnelo {

/// A document line built in place: its memory stays from line to line, and
/// pieces are copied in without the bookkeeping of a growing string, which
/// a photo, changing colour at nearly every pixel, pays for millions of times.
class LineBuilder {
public:
    void clear() { used_ = 0; }
    bool empty() const { return used_ == 0; }
    void put(std::string_view part) {
        makeRoom(part.size());
        std::memcpy(bytes_.data() + used_, part.data(), part.size());
        used_ += part.size();
    }
    void put(char byte) {
        makeRoom(1);
        bytes_[used_++] = byte;
    }
    /// Room for at least size more bytes, to be filled and then kept with
    /// commit: one check for a run of pieces whose longest length is known.
    char* room(std::size_t size) {
        makeRoom(size);
        return bytes_.data() + used_;
    }
    void commit(std::size_t size) { used_ += size; }
    std::string_view text() const { return {bytes_.data(), used_}; }

private:
    void makeRoom(std::size_t more) {
        if (used_ + more > bytes_.size())
            bytes_.resize(std::max(bytes_.size() * 2, used_ + more + 4096));
    }

    std::vector<char> bytes_;
    std::size_t used_ = 0;
};

} // namespace varnelo
