#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace varnelo {

/// Standard output or standard error of the converter, or a string in the
/// tests. Not a C++ stream: setting those up took a sixth of a small
/// picture's conversion. What is written may wait for flush; once a write
/// fails the stream stays failed and writes nothing more, the reason left
/// in errno.
class ConsoleStream {
public:
    ConsoleStream() = default;
    ConsoleStream(const ConsoleStream&) = delete;
    ConsoleStream& operator=(const ConsoleStream&) = delete;
    virtual ~ConsoleStream() = default;

    ConsoleStream& operator<<(std::string_view text) {
        if (good_ && !text.empty())
            good_ = put(text);
        return *this;
    }
    ConsoleStream& operator<<(char character) { return *this << std::string_view(&character, 1); }
    /// Sends what waits; false once a write failed.
    bool flush() {
        if (good_)
            good_ = flushed();
        return good_;
    }
    explicit operator bool() const { return good_; }

protected:
    /// Takes the bytes; false when they could not be written.
    virtual bool put(std::string_view bytes) = 0;
    /// Sends what put kept back.
    virtual bool flushed() { return true; }

private:
    bool good_ = true;
};

/// A descriptor's stream: what is written waits for flush (or for 64 kB),
/// so that a message goes out in one write, whole.
class DescriptorStream final : public ConsoleStream {
public:
    explicit DescriptorStream(int fd) : fd_(fd) {}
    ~DescriptorStream() override { flush(); }
    DescriptorStream(const DescriptorStream&) = delete;
    DescriptorStream& operator=(const DescriptorStream&) = delete;

protected:
    bool put(std::string_view bytes) override;
    bool flushed() override;

private:
    int fd_;
    std::string waiting_;
};

/// A stream into a string.
class StringConsoleStream final : public ConsoleStream {
public:
    const std::string& str() const { return text_; }
    void str(std::string text) { text_ = std::move(text); }

protected:
    bool put(std::string_view bytes) override {
        text_.append(bytes);
        return true;
    }

private:
    std::string text_;
};

} // namespace varnelo
