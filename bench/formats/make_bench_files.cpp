// make_bench_files FOLDER: writes the files that bench/formats/compare_open3d.sh loads in whole
// processes: 10,000,000 points as binary PLY with float and with double coordinates, as binary
// PCD and as LAS, and a binary STL of 1,000,000 facets.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_files.h"
#include "formats/file_io.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bench_files FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    const auto write = [&folder](const char* name, const std::string& bytes) {
        std::string reason;
        if (tengun::write_whole_file((folder / name).string(), bytes, reason) !=
            tengun::Status::ok) {
            std::fprintf(stderr, "%s: %s\n", name, reason.c_str());
            return false;
        }
        return true;
    };
    const bool ok = write("cloud_10M_float.ply", tengun::bench::cloud_ply(10000000, false)) &&
                    write("cloud_10M_double.ply", tengun::bench::cloud_ply(10000000, true)) &&
                    write("mesh_1M.stl", tengun::bench::grid_binary_stl(1000000).bytes) &&
                    write("cloud_10M.pcd", tengun::bench::cloud_pcd(10000000)) &&
                    write("cloud_10M.las", tengun::bench::cloud_las(10000000));
    return ok ? 0 : 1;
}
