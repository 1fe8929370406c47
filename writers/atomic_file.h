#pragma once

#include "engine/output_file.h"
#include "writers/writeback_starter.h"

#include <memory>
#include <string>

#include <sys/stat.h>

namespace varnelo {

/// Writes a file so that it appears whole or not at all, and never harms
/// what is not a file the user may write. The bytes go to an unnamed
/// temporary file in the target's folder (a named one where the file system
/// has no unnamed ones), which takes the target's place only on commit().
/// Destroyed without commit, it leaves no trace and any existing target
/// untouched; a process killed while writing leaves nothing either, but for
/// the named temporary of such a file system.
class AtomicFile final : public OutputFile {
public:
    /// The kind of temporary file; named ones serve where the file system
    /// has no unnamed ones, and for tests of that way.
    enum class Temporary : std::uint8_t { UnnamedWherePossible, Named };

    explicit AtomicFile(Temporary temporary = Temporary::UnnamedWherePossible)
        : temporaryKind_(temporary) {}
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() override;

    /// Prepares writing the target. An existing target must be a regular
    /// file the user may write; a symbolic link is followed, the file it
    /// names is replaced and the link kept. False with error() set when the
    /// target is refused or the temporary file cannot be made.
    [[nodiscard]] bool open(const OutputTarget& target);
    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] bool writeLines(std::span<const ByteString> lines,
                                  std::string_view lineEnd) override;
    /// Flushes, and puts the file in the target's place: over an existing
    /// file, or under the first free proposed name.
    [[nodiscard]] bool commit() override;
    /// Drops what was written; the target stays as it was.
    void discard();

    /// The system's reason for the last failure.
    const std::string& error() const override { return error_; }
    /// The file written, once committed: the target, the file a link names,
    /// or the name claimed for a proposed one.
    const std::string& path() const override { return path_; }

private:
    /// Checks the target a write replaces, following its links; existing
    /// is what stands there, when exists.
    bool mayReplace(struct stat& existing, bool& exists);
    /// Opens the temporary file in folder_: unnamed where the file system allows.
    bool createTemporary();
    bool flushBuffer();
    /// Counts bytes the file has been given, and starts their writing to
    /// disk where that saves waiting for it later.
    void sent(std::size_t bytes);
    bool fail();
    bool refuse(const std::string& reason);
    bool placeReplacing();
    bool placeAsNew();
    bool linkUnder(const std::string& name);

    Temporary temporaryKind_;
    int fd_ = -1;
    bool unnamed_ = false;
    std::string path_;
    std::string proposedBeside_;
    std::string folder_;
    std::string temporary_; // the named temporary, or empty
    // Holds a lock on the named temporary until it takes its place, so that
    // no other writer takes it for one a killed writer left.
    int lock_ = -1;
    std::string error_;
    std::vector<std::uint8_t> buffer_;
    off_t written_ = 0; // bytes flushed to the temporary
    bool startsWriteback_ = false;
    std::unique_ptr<WritebackStarter> writeback_; // ended before fd_ closes
};

/// The usual way: a file that appears whole or not at all (AtomicFile).
std::unique_ptr<OutputFile> openAtomicOutput(const OutputTarget& target, std::string& error);

} // namespace varnelo
