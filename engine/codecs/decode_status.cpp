#include "engine/codecs/decode_status.h"

namespace varnelo {

std::string_view describe(DecodeStatus status) {
    switch (status) {
    case DecodeStatus::Ok:
        return "ok";
    case DecodeStatus::WrongFormat:
        return "not a file of this format";
    case DecodeStatus::Unsupported:
        return "unsupported variant of the format";
    case DecodeStatus::Corrupt:
        return "corrupt file";
    case DecodeStatus::Truncated:
        return "file ends too early";
    case DecodeStatus::TooLarge:
        return "picture too large";
    case DecodeStatus::OutOfMemory:
        return "not enough memory";
    }
    return "unknown";
}

} // namespace varnelo
