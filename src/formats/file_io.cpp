#include "formats/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tengun {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string system_reason(int error_number)
{
    switch (error_number) {
    case ENOENT:
        return "ファイルが見つかりません";
    case EACCES:
    case EPERM:
        return "ファイルにアクセスする権限がありません";
    case EISDIR:
        return "フォルダーです（ファイルを選択して下さい）";
    case ENOSPC:
        return "ディスクの空き容量が足りません";
    default:
        return std::string("ファイルを開けません（") + std::strerror(error_number) + "）";
    }
}

}  // namespace

Status read_whole_file(const std::string& path, std::string& bytes, ReadError& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = {system_reason(EISDIR)};
        return Status::error;
    }
    const File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = {system_reason(errno)};
        return Status::error;
    }
    std::string data;
    // One read of the whole size when the size is known (no second copy through a buffer);
    // then whatever else is there (a file that grew, or a pipe).
    if (std::fseek(f.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(f.get());
        std::rewind(f.get());
        if (size > 0) {
            data.resize(static_cast<std::size_t>(size));
            data.resize(std::fread(data.data(), 1, data.size(), f.get()));
        }
    }
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
        data.append(buffer, got);
    }
    if (std::ferror(f.get()) != 0) {
        error = {"ファイルの読み込み中にエラーが発生しました"};
        return Status::error;
    }
    bytes = std::move(data);
    return Status::ok;
}

FileBytes::~FileBytes() { unmap(); }

FileBytes::FileBytes(FileBytes&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      held_(std::move(other.held_))
{
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this != &other) {
        unmap();
        map_ = std::exchange(other.map_, nullptr);
        size_ = std::exchange(other.size_, 0);
        held_ = std::move(other.held_);
    }
    return *this;
}

void FileBytes::unmap()
{
    if (map_ != nullptr) {
        ::munmap(map_, size_);
        map_ = nullptr;
        size_ = 0;
    }
}

std::string_view FileBytes::bytes() const
{
    return map_ != nullptr ? std::string_view(map_, size_) : std::string_view(held_);
}

void FileBytes::release_before(std::size_t offset) const
{
    if (map_ == nullptr) {
        return;
    }
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t whole = std::min(offset, size_) / page * page;
    if (whole > 0) {
        // A private read-only mapping of a file: the pages are dropped, and read from the file
        // again should anything touch them.
        ::madvise(map_, whole, MADV_DONTNEED);
    }
}

BytesPassed FileBytes::releaser() const
{
    return [this](std::size_t offset) {
        release_before(offset);
        return true;
    };
}

Status open_file_bytes(const std::string& path, FileBytes& file, ReadError& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = {system_reason(errno)};
            return Status::error;
        }
        const auto size = static_cast<std::size_t>(info.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (map != MAP_FAILED) {
            // Readers go front to back: read ahead generously.
            ::madvise(map, size, MADV_SEQUENTIAL);
            FileBytes mapped;
            mapped.map_ = static_cast<char*>(map);
            mapped.size_ = size;
            file = std::move(mapped);
            return Status::ok;
        }
        // Not mappable (some file systems): read it instead.
    }
    FileBytes held;
    if (read_whole_file(path, held.held_, error) == Status::error) {
        return Status::error;
    }
    file = std::move(held);
    return Status::ok;
}

Status write_whole_file(const std::string& name, std::string_view bytes, std::string& reason)
{
    struct stat info {};
    if (::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        reason = system_reason(EISDIR);
        return Status::error;
    }
    // A link is followed, so the file it points to is replaced and the link stays a link.
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::is_symlink(name, ignored)
                                               ? std::filesystem::canonical(name, ignored)
                                               : std::filesystem::path(name);
    const std::string path = resolved.empty() ? name : resolved.string();
    // Written beside the target and renamed over it at the end, so that a failure part-way
    // (a full disk, a removed medium) never leaves the user's earlier file half overwritten.
    const std::string temporary = path + ".tengun-tmp";
    {
        const File f(std::fopen(temporary.c_str(), "wb"));
        if (!f) {
            reason = system_reason(errno);
            return Status::error;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() ||
            std::fflush(f.get()) != 0 || ::fsync(::fileno(f.get())) != 0) {
            reason = system_reason(errno);
            std::remove(temporary.c_str());
            return Status::error;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        reason = system_reason(errno);
        std::remove(temporary.c_str());
        return Status::error;
    }
    return Status::ok;
}

}  // namespace tengun
