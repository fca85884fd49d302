#pragma once
// Whole-file input and output for the readers and writers, with reasons the user can read.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "geometry/numeric_core.h"
#include "geometry/progress.h"

namespace tengun {

/// Why a file could not be read or parsed. `line` and `field` count from 1 as a text editor
/// does; 0 when the problem is not at a particular place. Binary formats give the byte offset
/// (from 0, as a hex viewer shows it) instead of a line where it helps.
struct ReadError {
    std::string reason;
    std::size_t line = 0;
    std::size_t field = 0;
    std::optional<std::size_t> offset = std::nullopt;
    /// The system's error number (errno) when the file itself could not be opened or read;
    /// 0 for a reason in its contents or its kind.
    int system_error = 0;
};

/// Reads the whole file into `bytes`. Only regular files are read: a folder, a FIFO, a device
/// or a socket is refused with the reason, without waiting on it. On Status::error `bytes` is
/// unchanged.
[[nodiscard]] Status read_whole_file(const std::string& path, std::string& bytes,
                                     ReadError& error);

/// How a reader that walks its bytes from front to back says how far it has come: it may call
/// this every few megabytes with the offset before which it needs nothing more. A mapped file
/// then gives those pages back to the system, so a big file is never resident whole beside the
/// cloud being built from it. The bytes stay readable (they come from the file again, slower).
/// The same call moves a progress bar. It returns false when the reader should stop (the user
/// cancelled the load): the reader then returns Status::error with cancelled_error() and its
/// output unchanged. Readers take an empty one by default (bytes held in memory: nothing to
/// give back, nothing stops).
using BytesPassed = std::function<bool(std::size_t offset)>;

/// What a reader stopped through its BytesPassed reports.
inline ReadError cancelled_error() { return {std::string(cancelled_reason)}; }

/// A file's contents for the readers, without a copy where the system allows it: a regular file
/// is mapped read-only (its pages are read as they are first touched and can be given back
/// with release_before); anything else (a pipe, an empty file) is read into memory. Move-only;
/// the mapping ends with the object. A file that another program shortens while it is mapped
/// is outside what this guards against.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    [[nodiscard]] std::string_view bytes() const;
    [[nodiscard]] bool mapped() const { return map_ != nullptr; }
    /// Gives back the whole pages of a mapped file that lie before `offset`; nothing for bytes
    /// held in memory.
    void release_before(std::size_t offset) const;
    /// release_before as the readers take it; valid while this object lives and is not moved.
    [[nodiscard]] BytesPassed releaser() const;

private:
    friend Status open_file_bytes(const std::string& path, FileBytes& file, ReadError& error);
    void unmap();

    char* map_ = nullptr;
    std::size_t size_ = 0;
    std::string held_;
};

/// Opens a regular file for reading (anything else is refused as read_whole_file refuses it):
/// mapped when it has at least one byte (read instead where it cannot be mapped). A text that
/// starts with a UTF-16 or UTF-32 byte-order mark is converted to UTF-8 for the readers (held in
/// memory, without the mark); one that does not decode is refused with the encoding as the
/// reason. On Status::error `file` is unchanged.
[[nodiscard]] Status open_file_bytes(const std::string& path, FileBytes& file, ReadError& error);

/// A UTF-16 (LE or BE) or UTF-32 (LE or BE) text with its byte-order mark as UTF-8 in `text`
/// (without the mark). False, `text` unchanged, when `bytes` has no such mark or is a binary
/// STL whose header happens to start like one. Status::error (the encoding and the place) for
/// a text with such a mark that does not decode.
[[nodiscard]] Status unicode_text(std::string_view bytes, std::string& text, bool& converted,
                                  ReadError& error);

/// Creates or replaces the file with `bytes`, keeping what the file's owner set up:
/// - A symbolic link is followed: the file it names gets the contents, the link stays.
/// - An existing file the user may not write to (or that is no regular file) is refused with
///   the reason; nothing is written.
/// - The new contents are written beside the file and renamed over it only when complete
///   (a full disk or a removed medium never leaves the earlier file half written), with the
///   earlier file's mode, owner and group.
/// - Where that cannot keep the file as it was (a folder the user may not create files in, an
///   owner or group the process cannot give, a file with other hard links), the file is
///   written in place instead: after a complete copy of its earlier contents in a private
///   temporary file elsewhere, which is written back should the new contents fail part-way.
/// A new file gets the mode of the process's umask. On Status::error `reason` says why (and
/// `system_error` holds errno where the system gave one), and the earlier file is as it was.
[[nodiscard]] Status write_whole_file(const std::string& path, std::string_view bytes,
                                      std::string& reason, int& system_error);
[[nodiscard]] Status write_whole_file(const std::string& path, std::string_view bytes,
                                      std::string& reason);

}  // namespace tengun
