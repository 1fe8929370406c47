#include "engine/output_file.h"

namespace varnelo {

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

bool OutputFile::writeLines(std::span<const ByteString> lines, std::string_view lineEnd) {
    for (const ByteString& line : lines) {
        if (!write(bytesOf(line)) || !write(bytesOf(lineEnd)))
            return false;
    }
    return true;
}

} // namespace varnelo
