#pragma once
// A fresh folder for a test's files, removed with everything in it at the end of the test.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace tengun::testing {

class TempDir {
public:
    TempDir()
    {
        static int serial = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("tengun_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] std::string file(std::string_view name) const { return (path_ / name).string(); }

    /// Writes `bytes` to a file of the folder and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const
    {
        const std::string p = file(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    /// Writes `bytes` to the file at `path` (any folder) and returns the path.
    static std::string write_to(const std::string& path, std::string_view bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    [[nodiscard]] static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path path_;
};

}  // namespace tengun::testing
