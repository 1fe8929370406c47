#pragma once

#include "base/byte_sink.h"

#include <cstddef>
#include <new>

namespace varnelo::test {

/// Accepts a given number of writes, then fails or throws.
class LimitedSink final : public ByteSink {
public:
    LimitedSink(std::size_t writesAllowed, bool throws)
        : allowed_(writesAllowed), throws_(throws) {}
    bool write(std::span<const std::uint8_t> /*bytes*/) override {
        if (attempts_++ < allowed_)
            return true;
        if (throws_)
            throw std::bad_alloc();
        return false;
    }
    std::size_t attempts_ = 0;

private:
    std::size_t allowed_;
    bool throws_;
};

} // namespace varnelo::test
