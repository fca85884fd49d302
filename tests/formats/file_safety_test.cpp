// Files as a careless user or a hostile folder hands them over: special files, other text
// encodings, and saves that must keep the file's protection and never lose the earlier file.
// The permission cases run as an unprivileged user in a forked child (the tests run as root,
// where permission checks do not bite), the full and read-only disks in a mount namespace of
// the child's own.
#include "formats/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/stl_binary.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::in_child;
using testing::TempDir;

struct stat status_of(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

std::size_t entries(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

TEST(open_file_bytes, only_regular_files_are_read_and_nothing_waits_on_a_fifo)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.csv").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.csv"));
    ::alarm(20); // a reader that opened the FIFO would wait for a writer forever
    const std::pair<std::string, const char*> cases[] = {
        {dir.file("pipe.csv"), "FIFO"},
        {"/dev/zero", "デバイス"},
        {"/dev/urandom", "デバイス"},
        {dir.file("folder.csv"), "フォルダー"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        FileBytes file;
        std::string bytes = "kept";
        ReadError error;
        EXPECT_EQ(open_file_bytes(path, file, error), Status::error);
        EXPECT_NE(error.reason.find(reason), std::string::npos) << error.reason;
        EXPECT_EQ(read_whole_file(path, bytes, error), Status::error);
        EXPECT_EQ(bytes, "kept");
    }
    ::alarm(0);
}

/// `text` (UTF-8) in the encoding, with its byte-order mark.
std::string encoded(std::u32string_view text, std::size_t unit, bool big_endian)
{
    std::vector<std::uint32_t> units{0xFEFF};
    for (const char32_t c : text) {
        if (unit == 2 && c > 0xFFFF) {
            units.push_back(0xD800 + ((c - 0x10000) >> 10U));
            units.push_back(0xDC00 + ((c - 0x10000) & 0x3FFU));
        } else {
            units.push_back(c);
        }
    }
    std::string out;
    for (const std::uint32_t u : units) {
        for (std::size_t k = 0; k < unit; ++k) {
            const std::size_t shift = 8 * (big_endian ? unit - 1 - k : k);
            out += static_cast<char>((u >> shift) & 0xFFU);
        }
    }
    return out;
}

TEST(open_file_bytes, utf16_and_utf32_texts_are_read_as_their_text)
{
    TempDir dir;
    const std::u32string text = U"# 点群 \U0001F600\r\nx,y,z\r\n1,2,3\r\n4.5,5,6\r\n";
    const std::string utf8 =
        "# \xE7\x82\xB9\xE7\xBE\xA4 \xF0\x9F\x98\x80\r\nx,y,z\r\n1,2,3\r\n4.5,5,6\r\n";
    for (const auto& [unit, big] : {std::pair{2U, false}, {2U, true}, {4U, false}, {4U, true}}) {
        SCOPED_TRACE(std::to_string(unit) + (big ? " BE" : " LE"));
        const std::string bytes = encoded(text, unit, big);
        FileBytes file;
        ReadError error;
        ASSERT_EQ(open_file_bytes(dir.write("u.csv", bytes), file, error), Status::ok)
            << error.reason;
        EXPECT_EQ(file.bytes(), utf8);
        // Cut inside its last character, or with a lone surrogate: the encoding is the reason.
        std::string broken = bytes.substr(0, bytes.size() - 1);
        EXPECT_EQ(open_file_bytes(dir.write("b.csv", broken), file, error), Status::error);
        EXPECT_NE(error.reason.find(unit == 2 ? "UTF-16" : "UTF-32"), std::string::npos);
        EXPECT_EQ(file.bytes(), utf8) << "unchanged on error";
    }
    FileBytes file;
    ReadError error;
    // An ASCII STL saved as UTF-16 (an editor's "Unicode") is its text, not a binary STL.
    const std::u32string stl_text =
        U"solid t\r\nfacet normal 0 0 1\r\nouter loop\r\nvertex 0 0 0\r\nvertex 1 0 0\r\n"
        U"vertex 0 1 0\r\nendloop\r\nendfacet\r\nendsolid t\r\n";
    ASSERT_EQ(open_file_bytes(dir.write("u.stl", encoded(stl_text, 2, false)), file, error),
              Status::ok);
    LoadedMesh mesh;
    ASSERT_EQ(read_stl(file.bytes(), mesh, error), Status::ok) << error.reason;
    EXPECT_EQ(mesh.triangle_count(), 1U);
    EXPECT_TRUE(mesh.notes.empty());
    std::string lone = encoded(U"1,2,3", 2, false);
    lone += std::string("\x00\xD8", 2); // a high surrogate with nothing after it
    EXPECT_EQ(open_file_bytes(dir.write("lone.csv", lone), file, error), Status::error);
    EXPECT_NE(error.reason.find("サロゲート"), std::string::npos) << error.reason;
    // A binary STL whose header happens to start like a mark stays binary.
    std::string stl(84 + 50, '\0');
    stl[0] = '\xFF';
    stl[1] = '\xFE';
    stl[80] = 1;
    ASSERT_EQ(open_file_bytes(dir.write("b.stl", stl), file, error), Status::ok);
    EXPECT_EQ(file.bytes(), stl);
}

TEST(write_whole_file, the_file_keeps_its_mode_its_links_and_its_place)
{
    TempDir dir;
    std::string reason;
    // Mode: a private file stays private.
    const std::string secret = dir.write("secret.csv", "old");
    ::chmod(secret.c_str(), 0600);
    ASSERT_EQ(write_whole_file(secret, "new", reason), Status::ok) << reason;
    EXPECT_EQ(status_of(secret).st_mode & 07777, 0600U);
    EXPECT_EQ(TempDir::read(secret), "new");
    // A new file takes the umask, as any program's.
    const mode_t before = ::umask(027);
    ASSERT_EQ(write_whole_file(dir.file("new.csv"), "x", reason), Status::ok) << reason;
    ::umask(before);
    EXPECT_EQ(status_of(dir.file("new.csv")).st_mode & 07777, 0640U);
    // A hard link sees the new contents: the file was written in place.
    const std::string linked = dir.write("linked.csv", "old and longer");
    ASSERT_EQ(::link(linked.c_str(), dir.file("other_name.csv").c_str()), 0);
    const ino_t inode = status_of(linked).st_ino;
    ASSERT_EQ(write_whole_file(linked, "new", reason), Status::ok) << reason;
    EXPECT_EQ(TempDir::read(dir.file("other_name.csv")), "new");
    EXPECT_EQ(status_of(linked).st_ino, inode);
    // A link to a file not there yet creates it; the link stays.
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink("sub/target.csv", dir.file("dangling.csv"));
    ASSERT_EQ(write_whole_file(dir.file("dangling.csv"), "made", reason), Status::ok) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.csv")));
    EXPECT_EQ(TempDir::read(dir.file("sub/target.csv")), "made");
    // A loop of links, a FIFO and a folder are refused, each with its reason.
    std::filesystem::create_symlink("loop_b", dir.file("loop_a"));
    std::filesystem::create_symlink("loop_a", dir.file("loop_b"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.csv").c_str(), 0600), 0);
    ::alarm(20);
    for (const auto& [name, why] :
         {std::pair{"loop_a", "循環"}, {"pipe.csv", "FIFO"}, {"sub", "フォルダー"}}) {
        SCOPED_TRACE(name);
        int system_error = 0;
        EXPECT_EQ(write_whole_file(dir.file(name), "x", reason, system_error), Status::error);
        EXPECT_NE(reason.find(why), std::string::npos) << reason;
    }
    ::alarm(0);
    EXPECT_EQ(entries(dir.file("")), 9U) << "nothing left beside the files";
}

/// A folder the test user may enter, for the permission cases.
std::string shared_folder(const TempDir& dir, const char* name, mode_t mode)
{
    const std::string path = dir.file(name);
    std::filesystem::create_directory(path);
    ::chmod(path.c_str(), mode);
    return path;
}

std::string owned_file(const std::string& path, std::string_view bytes, mode_t mode, uid_t uid)
{
    TempDir::write_to(path, bytes);
    ::chown(path.c_str(), uid, uid == 0 ? 0 : testing::test_group);
    ::chmod(path.c_str(), mode);
    return path;
}

TEST(write_whole_file, as_a_normal_user_permissions_are_kept_and_never_gone_around)
{
    TempDir dir;
    ::chmod(dir.file("").c_str(), 0755);
    const std::string own = shared_folder(dir, "own", 0777);
    const std::string shared = shared_folder(dir, "shared", 01777); // like /tmp
    const std::string locked = shared_folder(dir, "locked", 0755);  // root's: no new files
    const std::string temp = shared_folder(dir, "temp", 0777);
    const uid_t user = testing::test_user;
    const std::string read_only = owned_file(own + "/read_only.csv", "old", 0444, user);
    const std::string roots = owned_file(shared + "/roots.csv", "old", 0644, 0);
    const std::string in_locked = owned_file(locked + "/mine.csv", "old", 0640, user);
    const std::string in_own = owned_file(own + "/private.csv", "old", 0600, user);
    const std::string report = in_child([&]() -> std::string {
        if (!testing::become_test_user()) {
            return "skip: cannot become an unprivileged user";
        }
        ::setenv("TMPDIR", temp.c_str(), 1);
        std::string failures;
        std::string reason;
        for (const std::string& refused : {read_only, roots}) {
            if (write_whole_file(refused, "new", reason) != Status::error ||
                reason.find("権限") == std::string::npos) {
                failures += refused + " was not refused (" + reason + ")\n";
            }
        }
        for (const std::string& saved : {in_locked, in_own}) {
            if (write_whole_file(saved, "new contents", reason) != Status::ok) {
                failures += saved + ": " + reason + "\n";
            }
        }
        return failures;
    });
    if (report.starts_with("skip:")) {
        GTEST_SKIP() << report;
    }
    EXPECT_EQ(report, "");
    EXPECT_EQ(TempDir::read(read_only), "old");
    EXPECT_EQ(TempDir::read(roots), "old");
    EXPECT_EQ(status_of(roots).st_uid, 0U) << "still root's";
    for (const auto& [path, mode] : {std::pair{in_locked, 0640U}, {in_own, 0600U}}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(TempDir::read(path), "new contents");
        EXPECT_EQ(status_of(path).st_mode & 07777, mode);
        EXPECT_EQ(status_of(path).st_uid, user);
    }
    EXPECT_EQ(entries(locked), 1U);
    EXPECT_EQ(entries(own), 2U);
    EXPECT_EQ(entries(temp), 0U) << "the copy kept while writing in place is gone";
}

/// In the child, a file system of `kilobytes` at `folder`, read-only when asked.
std::string mount_small_disk(const std::string& folder, int kilobytes)
{
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return "skip: no mount namespace here";
    }
    const std::string size = "size=" + std::to_string(kilobytes) + "k";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) != 0) {
        return "skip: cannot mount a small file system";
    }
    return {};
}

TEST(write_whole_file, a_full_or_read_only_disk_keeps_the_earlier_file_whole)
{
    TempDir dir;
    const std::string disk = dir.file("");
    const std::string report = in_child([&]() -> std::string {
        if (std::string skip = mount_small_disk(disk, 64); !skip.empty()) {
            return skip;
        }
        ::setenv("TMPDIR", "/tmp", 1);
        const std::string old(20000, 'o');
        const std::string big(100000, 'n');
        std::string failures;
        std::string reason;
        int system_error = 0;
        // Replaced beside, and written in place (a file with another link).
        const std::string plain = TempDir::write_to(disk + "/plain.csv", old);
        const std::string linked = TempDir::write_to(disk + "/linked.csv", old);
        ::link(linked.c_str(), (disk + "/link.csv").c_str());
        for (const std::string& path : {plain, linked}) {
            if (write_whole_file(path, big, reason, system_error) != Status::error ||
                system_error != ENOSPC || reason.find("空き容量") == std::string::npos) {
                failures += path + ": not refused as a full disk (" + reason + ")\n";
            }
            if (TempDir::read(path) != old) {
                failures += path + ": the earlier contents were not kept\n";
            }
        }
        if (entries(disk) != 3) {
            failures += "files were left on the full disk\n";
        }
        if (::mount(nullptr, disk.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            return failures + "skip: cannot make it read-only";
        }
        if (write_whole_file(plain, "x", reason, system_error) != Status::error ||
            system_error != EROFS || TempDir::read(plain) != old) {
            failures += "a read-only disk: " + reason + "\n";
        }
        return failures;
    });
    if (report.starts_with("skip:")) {
        GTEST_SKIP() << report;
    }
    EXPECT_EQ(report, "");
}

} // namespace
} // namespace tengun
