#pragma once

#include "base/work_bitmap.h"
#include "reading/codecs/decode_status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varnelo::test {

/// A broken file, named after what it breaks, and what its decoder answers.
struct BadFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    DecodeStatus expected;
};

using Decoder = DecodeStatus (*)(FileBytes file, WorkBitmap& picture);

/// Decodes every broken sample and every other file of tests/data/bad with
/// the extension (files added by hand or by a fuzzer), starting each time
/// from startPicture: each must give its expected status (samples) and an
/// empty picture exactly when it fails. The committed copy of each sample
/// must be what the generator makes; writeBadFiles writes them anew.
void checkBadFiles(const std::vector<BadFile>& samples, const std::string& extension,
                   Decoder decode, const WorkBitmap& startPicture = {});

void writeBadFiles(const std::vector<BadFile>& samples);

} // namespace varnelo::test
