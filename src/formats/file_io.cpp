#include "formats/file_io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "formats/stl_binary.h"

namespace tengun {

namespace {

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
    case EDQUOT:
        return "ディスクの空き容量が足りません";
    case EROFS:
        return "読み取り専用のファイルシステムです（書き込めません）";
    case ELOOP:
        return "シンボリックリンクが循環しています（リンクをたどってもファイルに着きません）";
    case ENOTDIR:
        return "途中にフォルダーでないものがあります";
    case ENAMETOOLONG:
        return "ファイル名が長すぎます";
    case EFBIG:
        return "ファイルが大きすぎます";
    default:
        return std::string("ファイルを開けません（") + std::strerror(error_number) + "）";
    }
}

ReadError system_error(int error_number)
{
    ReadError error{system_reason(error_number)};
    error.system_error = error_number;
    return error;
}

/// Why a file of this kind is not read or written; empty for a regular file.
std::string kind_reason(mode_t mode)
{
    if (S_ISREG(mode)) {
        return {};
    }
    if (S_ISDIR(mode)) {
        return system_reason(EISDIR);
    }
    if (S_ISFIFO(mode)) {
        return "名前付きパイプ（FIFO）です。扱えるのは通常のファイルだけです";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "デバイスファイルです。扱えるのは通常のファイルだけです";
    }
    if (S_ISSOCK(mode)) {
        return "ソケットです。扱えるのは通常のファイルだけです";
    }
    return "通常のファイルではありません";
}

/// A descriptor closed with its owner.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        reset();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

/// Opens a regular file for reading without ever waiting on it: a FIFO opened without
/// O_NONBLOCK would block until a writer comes. `info` is the opened file's status.
Status open_regular(const std::string& path, Fd& fd, struct stat& info, ReadError& error)
{
    if (path.empty()) {
        error = system_error(ENOENT);
        return Status::error;
    }
    Fd opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (opened.get() < 0) {
        error = system_error(errno);
        return Status::error;
    }
    if (::fstat(opened.get(), &info) != 0) {
        error = system_error(errno);
        return Status::error;
    }
    if (const std::string why = kind_reason(info.st_mode); !why.empty()) {
        error = {why};
        error.system_error = S_ISDIR(info.st_mode) ? EISDIR : 0; // as open() for writing says
        return Status::error;
    }
    fd = std::move(opened);
    return Status::ok;
}

/// Every byte from the descriptor's position to its end.
Status read_rest(int fd, std::size_t size_hint, std::string& data, ReadError& error)
{
    std::string out;
    out.resize(size_hint);
    std::size_t got = 0;
    while (true) {
        if (got == out.size()) {
            out.resize(std::max<std::size_t>(out.size() * 2, 1 << 16));
        }
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = {"ファイルの読み込み中にエラーが発生しました（" +
                     std::string(std::strerror(errno)) + "）"};
            error.system_error = errno;
            return Status::error;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    data = std::move(out);
    return Status::ok;
}

// ---- Unicode text with a byte-order mark ----------------------------------------------------

struct Encoding {
    const char* name;
    std::string_view mark;
    std::size_t unit; // bytes per code unit
    bool big_endian;
};

// UTF-32LE before UTF-16LE: its mark starts with the other's.
constexpr std::array<Encoding, 4> encodings{{
    {"UTF-32LE", std::string_view("\xFF\xFE\0\0", 4), 4, false},
    {"UTF-32BE", std::string_view("\0\0\xFE\xFF", 4), 4, true},
    {"UTF-16LE", std::string_view("\xFF\xFE", 2), 2, false},
    {"UTF-16BE", std::string_view("\xFE\xFF", 2), 2, true},
}};

std::uint32_t code_unit(std::string_view bytes, std::size_t at, const Encoding& e)
{
    std::uint32_t u = 0;
    for (std::size_t k = 0; k < e.unit; ++k) {
        const auto b = static_cast<unsigned char>(bytes[at + (e.big_endian ? k : e.unit - 1 - k)]);
        u = u << 8U | b;
    }
    return u;
}

void append_utf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6U));
        out += static_cast<char>(0x80 | (c & 0x3FU));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12U));
        out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
        out += static_cast<char>(0x80 | (c & 0x3FU));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18U));
        out += static_cast<char>(0x80 | ((c >> 12U) & 0x3FU));
        out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
        out += static_cast<char>(0x80 | (c & 0x3FU));
    }
}

// ---- Saving -----------------------------------------------------------------------------------

/// Where a save goes: the file itself, a symbolic link followed to the file it names (a link
/// to a file not there yet names the file to create). ELOOP for a loop.
int resolve_links(const std::string& name, std::string& target)
{
    std::string path = name;
    for (int hops = 0;; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                break; // a new file (or a missing folder, which the save then reports)
            }
            return errno;
        }
        if (!S_ISLNK(info.st_mode)) {
            break;
        }
        if (hops == 40) {
            return ELOOP;
        }
        std::string link(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 256, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            return errno;
        }
        link.resize(static_cast<std::size_t>(n));
        const std::size_t slash = path.rfind('/');
        path = link.starts_with('/') || slash == std::string::npos
                   ? link
                   : path.substr(0, slash + 1) + link;
    }
    target = path;
    return 0;
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string random_suffix()
{
    static thread_local std::mt19937_64 rng{std::random_device{}() ^
                                            static_cast<std::uint64_t>(::getpid())};
    static constexpr char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(8, 'x');
    for (char& c : s) {
        c = digits[rng() % (sizeof digits - 1)];
    }
    return s;
}

/// Creates a file that did not exist, named `prefix` + a random part + `suffix`.
int create_unique(const std::string& prefix, const std::string& suffix, mode_t mode, Fd& fd,
                  std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + random_suffix() + suffix;
        Fd created(::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (created.get() >= 0) {
            fd = std::move(created);
            name = std::move(candidate);
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

/// Writes all of `bytes` at `offset`; 0 or errno.
int write_all(int fd, std::string_view bytes, off_t offset = -1)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 30U);
        const ssize_t n = offset < 0 ? ::write(fd, bytes.data() + done, chunk)
                                     : ::pwrite(fd, bytes.data() + done, chunk,
                                                offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

void sync_folder(const std::string& folder)
{
    const Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        (void)::fsync(dir.get()); // the rename on the disk too; nothing to do if it fails
    }
}

struct SaveFailure {
    std::string reason;
    int system_error = 0;
};

SaveFailure failure(int error_number)
{
    // A save creates the file: what is missing is the folder it goes in.
    return {error_number == ENOENT ? "保存先のフォルダーが見つかりません"
                                   : system_reason(error_number),
            error_number};
}

/// Why a replaced file could not take the earlier one's owner, group and mode: the new file
/// would give other people what the earlier one did not.
enum class Replace { done, not_here, failed };

/// The safe way: the new contents beside the file, renamed over it when complete. not_here when
/// the folder takes no new file or the owner and group cannot be given: the caller then writes
/// in place.
Replace replace_beside(const std::string& path, const struct stat* old, std::string_view bytes,
                       SaveFailure& fail)
{
    const std::string folder = folder_of(path);
    Fd fd;
    std::string temporary;
    // A new file gets 0666 less the umask, as any program's new file; a replacement starts
    // private and gets the earlier file's mode once its owner is right.
    const int created = create_unique(folder + "/." + base_of(path) + ".", ".tengun-tmp",
                                      old != nullptr ? 0600 : 0666, fd, temporary);
    if (created != 0) {
        if (old != nullptr && (created == EACCES || created == EPERM)) {
            return Replace::not_here;
        }
        fail = failure(created);
        return Replace::failed;
    }
    const auto give_up = [&](int error_number) {
        fd.reset();
        ::unlink(temporary.c_str());
        fail = failure(error_number);
        return Replace::failed;
    };
    if (old != nullptr) {
        struct stat mine {};
        if (::fstat(fd.get(), &mine) != 0) {
            return give_up(errno);
        }
        if ((mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) &&
            ::fchown(fd.get(), old->st_uid, old->st_gid) != 0) {
            fd.reset();
            ::unlink(temporary.c_str());
            return Replace::not_here; // the file would change hands: keep its inode instead
        }
        if (::fchmod(fd.get(), old->st_mode & 07777) != 0) {
            return give_up(errno);
        }
    }
    if (const int e = write_all(fd.get(), bytes); e != 0) {
        return give_up(e);
    }
    if (::fsync(fd.get()) != 0) {
        return give_up(errno);
    }
    fd.reset();
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        fail = failure(e);
        return Replace::failed;
    }
    sync_folder(folder);
    return Replace::done;
}

/// The folder for the copy of a file written in place.
std::string temporary_folder()
{
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

/// Copies `from`'s bytes from its start to `to` (from its start), a megabyte at a time; 0 or
/// errno.
int copy_contents(int from, int to)
{
    std::string buffer(std::size_t{1} << 20U, '\0');
    off_t at = 0;
    while (true) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        if (const int e =
                write_all(to, std::string_view(buffer.data(), static_cast<std::size_t>(n)), at);
            e != 0) {
            return e;
        }
        at += n;
    }
}

/// Writes the file in place: its inode, owner, group, mode and links stay. First a complete
/// copy of the earlier contents goes to a private file in the temporary folder; room for the new
/// contents is taken before a byte is overwritten; should writing fail part-way all the same,
/// the copy is written back (and kept, with its name in the reason, if even that fails).
Status write_in_place(const std::string& path, std::string_view bytes, SaveFailure& fail)
{
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        fail = failure(errno);
        return Status::error;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        fail = failure(errno);
        return Status::error;
    }
    if (const std::string why = kind_reason(info.st_mode); !why.empty()) {
        fail = {why, 0};
        return Status::error;
    }
    const off_t old_size = info.st_size;
    Fd copy;
    std::string copy_name;
    if (const int e =
            create_unique(temporary_folder() + "/tengun-backup-", ".tmp", 0600, copy, copy_name);
        e != 0) {
        fail = {"フォルダーに一時ファイルを作れないため、元のファイルの控えを一時フォルダー（" +
                    temporary_folder() + "）に作ろうとしましたが、できませんでした（" +
                    system_reason(e) + "）",
                e};
        return Status::error;
    }
    const auto drop_copy = [&] {
        copy.reset();
        ::unlink(copy_name.c_str());
    };
    int e = copy_contents(fd.get(), copy.get());
    if (e == 0 && ::fsync(copy.get()) != 0) {
        e = errno;
    }
    if (e != 0) {
        drop_copy();
        fail = {"元のファイルの控えを一時フォルダーに作れませんでした（" + system_reason(e) + "）",
                e};
        return Status::error;
    }
    // Room first: a full disk is found before anything is overwritten.
    if (static_cast<off_t>(bytes.size()) > old_size) {
        e = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(bytes.size()));
        if (e != 0 && e != EOPNOTSUPP && e != EINVAL) {
            (void)::ftruncate(fd.get(), old_size);
            drop_copy();
            fail = failure(e);
            return Status::error;
        }
    }
    e = write_all(fd.get(), bytes, 0);
    if (e == 0 && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) {
        e = errno;
    }
    if (e == 0 && ::fsync(fd.get()) != 0) {
        e = errno;
    }
    if (e != 0) {
        fail = failure(e);
        const bool restored = copy_contents(copy.get(), fd.get()) == 0 &&
                              ::ftruncate(fd.get(), old_size) == 0 && ::fsync(fd.get()) == 0;
        if (restored) {
            drop_copy();
        } else {
            fail.reason += "。元の内容は「" + copy_name + "」に残してあります";
        }
        return Status::error;
    }
    drop_copy();
    return Status::ok;
}

} // namespace

Status unicode_text(std::string_view bytes, std::string& text, bool& converted, ReadError& error)
{
    converted = false;
    const auto e = std::find_if(encodings.begin(), encodings.end(),
                                [&](const Encoding& c) { return bytes.starts_with(c.mark); });
    if (e == encodings.end() || looks_like_binary_stl(bytes, bytes.size())) {
        return Status::ok;
    }
    const auto refuse = [&](const std::string& why, std::size_t at) {
        error = {std::string(e->name) + " のテキストとして読めません（" + why + "）"};
        error.offset = at;
        return Status::error;
    };
    const std::size_t first = e->mark.size();
    if ((bytes.size() - first) % e->unit != 0) {
        return refuse("最後の文字が途中で切れています",
                      bytes.size() - (bytes.size() - first) % e->unit);
    }
    std::string out;
    out.reserve((bytes.size() - first) / e->unit);
    for (std::size_t at = first; at < bytes.size(); at += e->unit) {
        std::uint32_t c = code_unit(bytes, at, *e);
        if (e->unit == 2 && c >= 0xD800 && c <= 0xDBFF) {
            const std::uint32_t low =
                at + 2 < bytes.size() ? code_unit(bytes, at + 2, *e) : std::uint32_t{0};
            if (low < 0xDC00 || low > 0xDFFF) {
                return refuse("対になっていないサロゲートがあります", at);
            }
            c = 0x10000 + ((c - 0xD800) << 10U) + (low - 0xDC00);
            at += 2;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            return refuse("文字でない値があります", at);
        }
        if (c == 0) {
            return refuse("NUL 文字があります。テキストファイルではないようです", at);
        }
        append_utf8(out, c);
    }
    text = std::move(out);
    converted = true;
    return Status::ok;
}

Status read_whole_file(const std::string& path, std::string& bytes, ReadError& error)
{
    Fd fd;
    struct stat info {};
    if (open_regular(path, fd, info, error) == Status::error) {
        return Status::error;
    }
    // One read of the whole size when the size is known (no second copy through a buffer);
    // then whatever else is there (a file that grew).
    return read_rest(fd.get(), static_cast<std::size_t>(info.st_size), bytes, error);
}

FileBytes::~FileBytes()
{
    unmap();
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)), size_(std::exchange(other.size_, 0)),
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
    Fd fd;
    struct stat info {};
    if (open_regular(path, fd, info, error) == Status::error) {
        return Status::error;
    }
    FileBytes opened;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* map = size > 0 ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0) : MAP_FAILED;
    if (map != MAP_FAILED) {
        // Readers go front to back: read ahead generously.
        ::madvise(map, size, MADV_SEQUENTIAL);
        opened.map_ = static_cast<char*>(map);
        opened.size_ = size;
    } else if (read_rest(fd.get(), size, opened.held_, error) == Status::error) {
        return Status::error; // empty, or not mappable (some file systems): read instead
    }
    std::string text;
    bool converted = false;
    if (unicode_text(opened.bytes(), text, converted, error) == Status::error) {
        return Status::error;
    }
    if (converted) {
        opened = FileBytes{};
        opened.held_ = std::move(text);
    }
    file = std::move(opened);
    return Status::ok;
}

Status write_whole_file(const std::string& name, std::string_view bytes, std::string& reason,
                        int& system_error)
{
    SaveFailure fail;
    const auto failed = [&] {
        reason = fail.reason;
        system_error = fail.system_error;
        return Status::error;
    };
    std::string path;
    if (const int e = resolve_links(name, path); e != 0) {
        fail = failure(e);
        return failed();
    }
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists) {
        if (const std::string why = kind_reason(info.st_mode); !why.empty()) {
            fail = {why, S_ISDIR(info.st_mode) ? EISDIR : 0};
            return failed();
        }
        // A file the user could not write to is not replaced either (a read-only file, or
        // someone else's in a shared folder).
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
            fail = failure(errno);
            return failed();
        }
    }
    // Other hard links would keep the earlier contents if the file were replaced.
    if (!exists || info.st_nlink <= 1) {
        const Replace replaced = replace_beside(path, exists ? &info : nullptr, bytes, fail);
        if (replaced == Replace::done) {
            return Status::ok;
        }
        if (replaced == Replace::failed) {
            return failed();
        }
    }
    return write_in_place(path, bytes, fail) == Status::ok ? Status::ok : failed();
}

Status write_whole_file(const std::string& path, std::string_view bytes, std::string& reason)
{
    int ignored = 0;
    return write_whole_file(path, bytes, reason, ignored);
}

} // namespace tengun
