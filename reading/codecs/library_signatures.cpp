// How files of the types the picture libraries read begin: known without
// the libraries, which are loaded only once such a file is read.
#include "reading/codecs/avif_decoder.h"
#include "reading/codecs/heif_decoder.h"
#include "reading/codecs/iso_brands.h"
#include "reading/codecs/jxl_decoder.h"
#include "reading/codecs/tiff_decoder.h"
#include "reading/codecs/webp_decoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace varnelo {

bool looksLikeWebp(FileBytes head) {
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

bool looksLikeAvif(FileBytes head) {
    return hasIsoBrand(head, {"avif", "avis"});
}

bool looksLikeHeif(FileBytes head) {
    return !hasIsoBrand(head, {"avif", "avis"}) &&
           hasIsoBrand(head, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"});
}

bool looksLikeTiff(FileBytes head) {
    static constexpr std::array<std::array<std::uint8_t, 4>, 4> kMarks = {
        {{'I', 'I', 42, 0}, {'M', 'M', 0, 42}, {'I', 'I', 43, 0}, {'M', 'M', 0, 43}}};
    return head.size() >= 4 && std::any_of(kMarks.begin(), kMarks.end(), [&](const auto& mark) {
               return std::equal(mark.begin(), mark.end(), head.begin());
           });
}

// A bare codestream, or the container's signature box.
bool looksLikeJxl(FileBytes head) {
    static constexpr std::array<std::uint8_t, 2> kCodestream = {0xFF, 0x0A};
    static constexpr std::array<std::uint8_t, 12> kContainer = {0,   0,   0,    0x0C, 'J',  'X',
                                                                'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    const auto startsWith = [&](const auto& mark) {
        return head.size() >= mark.size() && std::equal(mark.begin(), mark.end(), head.begin());
    };
    return startsWith(kCodestream) || startsWith(kContainer);
}

} // namespace varnelo
