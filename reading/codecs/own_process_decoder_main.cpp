// varnelo-decode: decodes one picture for the program that started it, in a
// process that program kills when its cancel comes. The file is descriptor
// 3; the result (OwnProcessResult, then the picture's rows) is written to
// descriptor 4; the exit status is 0 once it is written. The arguments are
// those of OwnProcessArguments, in their order.
#include "reading/codecs/avif_decoder.h"
#include "reading/codecs/guarded_decoder.h"
#include "reading/codecs/heif_decoder.h"
#include "reading/codecs/jxl_decoder.h"
#include "reading/codecs/own_process_decoding.h"
#include "reading/codecs/picture_libraries.h"
#include "reading/codecs/webp_decoder.h"
#include "reading/picture_loader.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace varnelo;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif

// What the process may take beyond the load's own limit: its libraries,
// their threads' stacks and the file.
constexpr std::int64_t kRoomForTheProcess = std::int64_t{256} << 20;

bool number(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

PictureDecoder decoderOf(PictureType type) {
    switch (type) {
    case PictureType::Webp:
        return guardedDecoder<decodeWebp>;
    case PictureType::Avif:
        return guardedDecoder<decodeAvif>;
    case PictureType::Heif:
        return guardedDecoder<decodeHeif>;
    case PictureType::Jxl:
        return guardedDecoder<decodeJxl>;
    default:
        break;
    }
    return nullptr;
}

bool writeWhole(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool writeResult(const OwnProcessResult& result, const WorkBitmap& picture) {
    if (!writeWhole(kOwnProcessOutputDescriptor, &result, sizeof result))
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        if (!writeWhole(kOwnProcessOutputDescriptor, picture.row(y), picture.stride()))
            return false;
    }
    return true;
}

// The arguments in their order; nothing when they are not numbers.
std::optional<OwnProcessArguments> argumentsOf(int argc, char* argv[]) {
    constexpr int kArguments = 7;
    if (argc != kArguments + 1)
        return std::nullopt;
    std::int64_t values[kArguments] = {};
    for (int i = 0; i < kArguments; ++i) {
        if (!number(argv[i + 1], values[i]))
            return std::nullopt;
    }
    return OwnProcessArguments{
        static_cast<PictureType>(values[0]),
        {static_cast<std::int32_t>(values[1]), static_cast<std::int32_t>(values[2])},
        {static_cast<std::int32_t>(values[3]), static_cast<std::int32_t>(values[4])},
        values[5] != 0,
        values[6]};
}

// What the decoding made, into the result.
void describe(const WorkBitmap& picture, const ConversionLoad& conversion,
              OwnProcessResult& result) {
    result.memoryNeeded = conversion.memoryNeeded;
    if (result.status != DecodeStatus::Ok)
        return;
    result.width = picture.width();
    result.height = picture.height();
    result.depth = picture.depth();
    result.hasFacts = true;
    // Field by field: a copy of the whole may bring its padding along.
    result.facts.width = conversion.facts.width;
    result.facts.height = conversion.facts.height;
    result.facts.depth = conversion.facts.depth;
    result.facts.topLeft = conversion.facts.topLeft;
    const std::span<const Rgb> table = picture.colorTable();
    std::memcpy(result.colorTable.data(), table.data(),
                std::min(table.size(), result.colorTable.size()) * sizeof(Rgb));
}

} // namespace

int main(int argc, char* argv[]) {
    const std::optional<OwnProcessArguments> arguments = argumentsOf(argc, argv);
    const PictureDecoder decode = arguments ? decoderOf(arguments->type) : nullptr;
    if (decode == nullptr)
        return 2;
    const PictureSize asked = arguments->asked;
    const PictureSize answer = arguments->answer;

    // The load's limit holds in this process as a limit of the system's too;
    // but for the sanitizers, whose shadow memory is a reservation far past
    // any limit.
    if (!kUnderSanitizer) {
        const auto data = static_cast<rlim_t>(arguments->memoryLimit + kRoomForTheProcess);
        const rlimit limit{data, data};
        ::setrlimit(RLIMIT_DATA, &limit);
    }

    struct stat file {};
    if (::fstat(kOwnProcessFileDescriptor, &file) != 0)
        return 2;
    const auto size = static_cast<std::size_t>(file.st_size);
    const void* mapped =
        size == 0 ? nullptr
                  : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, kOwnProcessFileDescriptor, 0);
    if (mapped == MAP_FAILED)
        return 2;

    // Written as it lies in memory: its padding too, which must hold nothing.
    OwnProcessResult result;
    std::memset(static_cast<void*>(&result), 0, sizeof result);
    result.mark = OwnProcessResult::kMark;
    result.status = DecodeStatus::Corrupt;
    ConversionLoad conversion;
    conversion.autoOrient = arguments->autoOrient;
    conversion.memoryLimit = arguments->memoryLimit;
    if (answer.width != 0 || answer.height != 0)
        conversion.sizeOf = [asked, answer, &result](int width, int height) {
            if (width == asked.width && height == asked.height)
                return answer;
            // The caller answers anew for this size, another time.
            result.askedInstead = {width, height};
            return PictureSize{1, 1};
        };
    WorkBitmap picture;
    result.status = decode(FileBytes(static_cast<const std::uint8_t*>(mapped), size), picture,
                           nullptr, &conversion);
    describe(picture, conversion, result);
    // Ends without tearing down what the libraries keep: the system frees it.
    ::_exit(writeResult(result, picture) ? 0 : 1);
}
