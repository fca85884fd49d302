// Writes the clouds of the surface benchmarks as text files, for whole-process runs of
// tengun-cli and of the peer tools on the same points:
//   write_surface_clouds <folder> [<name> <points>]...
// Without names it writes smooth, smooth_random, box_random and box_grid at 100,000, 300,000 and
// 1,000,000 points. A file <name>_<points>.xyz holds one point per line, "x y z" (17 digits).
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench_clouds.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: write_surface_clouds <folder> [<name> <points>]...\n");
        return 2;
    }
    std::vector<std::pair<std::string, std::size_t>> clouds;
    for (int i = 2; i + 1 < argc; i += 2) {
        clouds.emplace_back(argv[i], std::stoul(argv[i + 1]));
    }
    if (clouds.empty()) {
        for (const char* name : {"smooth", "smooth_random", "box_random", "box_grid"}) {
            for (const std::size_t n : {100000, 300000, 1000000}) {
                clouds.emplace_back(name, n);
            }
        }
    }
    for (const auto& [name, n] : clouds) {
        const std::vector<tengun::Vec3> pts = tengun::bench::cloud(name, n);
        if (pts.empty()) {
            std::fprintf(stderr, "unknown cloud: %s\n", name.c_str());
            return 2;
        }
        const std::string path =
            std::string(argv[1]) + "/" + name + "_" + std::to_string(n) + ".xyz";
        std::FILE* f = std::fopen(path.c_str(), "w");
        if (f == nullptr) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        for (const tengun::Vec3& p : pts) {
            std::fprintf(f, "%.17g %.17g %.17g\n", p[0], p[1], p[2]);
        }
        if (std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s %zu\n", path.c_str(), pts.size());
    }
    return 0;
}
