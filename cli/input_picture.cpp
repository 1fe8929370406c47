#include "cli/input_picture.h"

#include "reading/picture_loader.h"

#include <cerrno>

#include <sys/mman.h>
#include <unistd.h>

namespace varnelo {

namespace {

// Enough of the start to tell every picture type by.
constexpr std::size_t kTypeBytes = kPictureProbeBytes;
constexpr std::size_t kStep = std::size_t{1} << 20;

} // namespace

InputPicture::~InputPicture() {
    if (data_ != nullptr)
        ::munmap(data_, reserved_);
}

ReadFileOutcome InputPicture::read(const ReadSome& readSome, const std::atomic<bool>& cancel) {
    // One more byte than a picture file may have, to see it is too large.
    reserved_ = kMaxPictureFileBytes + 1;
    void* memory = ::mmap(nullptr, reserved_, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) {
        reserved_ = 0;
        return {ReadFileStatus::ReadError, errno};
    }
    data_ = static_cast<std::uint8_t*>(memory);
    bool typeKnown = false;
    for (;;) {
        if (cancel.load(std::memory_order_relaxed))
            return {ReadFileStatus::ReadError, EINTR};
        // The first bytes on their own, so that what is no picture is
        // refused before more of it is waited for.
        const std::size_t want = typeKnown ? kStep : kTypeBytes - size_;
        const long got = readSome(data_ + size_, std::min(want, reserved_ - size_));
        if (got < 0) {
            if (errno == EINTR)
                continue; // the cancel flag, set by the signal, decides
            return {ReadFileStatus::ReadError, errno};
        }
        size_ += static_cast<std::size_t>(got);
        if (!typeKnown && (got == 0 || size_ >= kTypeBytes)) {
            typeKnown = true;
            picture_ = pictureTypeOfContent(bytes()) != PictureType::None;
            if (!picture_)
                return {};
        }
        if (got == 0)
            return {};
        if (size_ > kMaxPictureFileBytes)
            return {ReadFileStatus::TooLarge, EFBIG};
    }
}

ReadSome readDescriptor(int descriptor) {
    return [descriptor](std::uint8_t* into, std::size_t room) {
        return static_cast<long>(::read(descriptor, into, room));
    };
}

ReadSome readStream(std::istream& in) {
    return [&in](std::uint8_t* into, std::size_t room) {
        in.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(room));
        return static_cast<long>(in.gcount());
    };
}

} // namespace varnelo
