#include "engine/phrase_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>

#include <sys/stat.h>

namespace varnelo {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Read by chunks rather than by the file's size, so that a pipe such as
// /dev/stdin works as well as a regular file.
std::optional<ByteString> readAll(const std::string& path, ReadFileOutcome& outcome) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        outcome = {ReadFileStatus::CannotOpen, errno};
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
        outcome = {ReadFileStatus::NotAFile, EISDIR};
        return std::nullopt;
    }
    ByteString bytes;
    std::array<char, 65536> chunk{};
    for (;;) {
        const std::size_t count = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (count > kMaxPhraseFileBytes - bytes.size()) {
            outcome = {ReadFileStatus::TooLarge, EFBIG};
            return std::nullopt;
        }
        bytes.append(chunk.data(), count);
        if (count < chunk.size())
            break;
    }
    if (std::ferror(file.get())) {
        outcome = {ReadFileStatus::ReadError, errno};
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::optional<ByteString> readPhraseFile(const std::string& path, ReadFileOutcome* outcome) {
    ReadFileOutcome read;
    std::optional<ByteString> bytes = readAll(path, read);
    if (outcome != nullptr)
        *outcome = read;
    if (!bytes)
        return std::nullopt;
    ByteString phrase;
    phrase.reserve(bytes->size());
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        const char byte = (*bytes)[i];
        if (byte != '\r') {
            phrase += byte;
            continue;
        }
        if (i + 1 < bytes->size() && (*bytes)[i + 1] == '\n')
            ++i;
    }
    return phrase;
}

} // namespace varnelo
