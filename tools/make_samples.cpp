// Writes the sample clouds of samples/ (fixed seeds, so the files never change):
//   make_samples <folder>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "formats/csv_points.h"
#include "formats/file_io.h"

namespace {

using tengun::Vec3;

constexpr double two_pi = 2.0 * 3.14159265358979;

struct Sample {
    const char* name;
    std::vector<Vec3> points;
};

std::vector<Vec3> plane(std::mt19937& rng)
{
    // z = 10 + 0.2 x - 0.1 y over a 100 x 60 patch, scanned in rows, 0.05 noise.
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<Vec3> pts;
    for (int row = 0; row <= 20; ++row) {
        const double y = -30.0 + 3.0 * row;
        for (int i = 0; i <= 20; ++i) {
            const double x = row % 2 == 0 ? -50.0 + 5.0 * i : 50.0 - 5.0 * i;
            pts.push_back({x, y, 10.0 + 0.2 * x - 0.1 * y + noise(rng)});
        }
    }
    return pts;
}

std::vector<Vec3> sphere(std::mt19937& rng)
{
    // Centre (1, 2, 3), radius 10, the upper cap scanned in rings, 0.02 noise.
    std::normal_distribution<double> noise(0.0, 0.02);
    std::vector<Vec3> pts;
    for (int ring = 0; ring < 10; ++ring) {
        const double z = 0.2 + 0.08 * ring;
        const double r = std::sqrt(1.0 - z * z);
        for (int i = 0; i < 30; ++i) {
            const double phi = two_pi * i / 30.0;
            const double radius = 10.0 + noise(rng);
            pts.push_back({1.0 + radius * r * std::cos(phi), 2.0 + radius * r * std::sin(phi),
                           3.0 + radius * z});
        }
    }
    return pts;
}

std::vector<Vec3> arc(std::mt19937& rng)
{
    // A 120 degree arc of radius 25 around (5, -5, 20) in a plane tilted about the X axis.
    std::normal_distribution<double> noise(0.0, 0.02);
    std::vector<Vec3> pts;
    const double tilt = 0.5;
    for (int i = 0; i < 60; ++i) {
        const double t = two_pi / 3.0 * i / 59.0;
        const double r = 25.0 + noise(rng);
        const double x = r * std::cos(t);
        const double y = r * std::sin(t);
        pts.push_back({5.0 + x, -5.0 + y * std::cos(tilt), 20.0 + y * std::sin(tilt)});
    }
    return pts;
}

std::vector<Vec3> cylinder(std::mt19937& rng)
{
    // Radius 8 around the axis through (10, 0, 0) along (0, 0.6, 0.8), length 40, scanned in
    // 20 rings of 20 points.
    std::normal_distribution<double> noise(0.0, 0.02);
    const Vec3 axis{0.0, 0.6, 0.8};
    const Vec3 e1{1.0, 0.0, 0.0};
    const Vec3 e2{0.0, 0.8, -0.6};
    std::vector<Vec3> pts;
    for (int i = 0; i < 400; ++i) {
        const double phi = two_pi * (i % 20) / 20.0;
        const double h = -19.0 + 2.0 * (i / 20);
        const double r = 8.0 + noise(rng);
        Vec3 p{10.0, 0.0, 0.0};
        for (int k = 0; k < 3; ++k) {
            p[k] += h * axis[k] + r * std::cos(phi) * e1[k] + r * std::sin(phi) * e2[k];
        }
        pts.push_back(p);
    }
    return pts;
}

std::vector<Vec3> line(std::mt19937& rng)
{
    // Through (1, 2, 3) along (2, 1, 2) / 3, 0.05 noise across.
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<Vec3> pts;
    for (int i = 0; i < 100; ++i) {
        const double t = -30.0 + 0.6 * i;
        pts.push_back({1.0 + t * 2.0 / 3.0 + noise(rng), 2.0 + t / 3.0 + noise(rng),
                       3.0 + t * 2.0 / 3.0 + noise(rng)});
    }
    return pts;
}

std::vector<Vec3> zigzag(std::mt19937& rng)
{
    // A measured profile in file order: straight runs, a zig-zag and a rounded step, as a
    // touch probe records them along a part; for the splines and the thinning.
    std::normal_distribution<double> noise(0.0, 0.01);
    std::vector<Vec3> pts;
    double x = 0.0;
    for (int i = 0; i < 20; ++i, x += 1.0) {
        pts.push_back({x, 0.0 + noise(rng), 0.0});
    }
    for (int i = 0; i < 20; ++i, x += 1.0) {
        pts.push_back({x, (i % 4 < 2 ? 0.5 * (i % 2 + 1) : 0.5 * (2 - i % 2)) + noise(rng), 0.0});
    }
    for (int i = 0; i < 20; ++i, x += 1.0) {
        pts.push_back({x, 3.0 * (1.0 - std::cos(3.14159265358979 * i / 19.0)) / 2.0 + noise(rng),
                       0.0});
    }
    for (int i = 0; i < 20; ++i, x += 1.0) {
        pts.push_back({x, 3.0 + noise(rng), 0.0});
    }
    return pts;
}

std::vector<Vec3> box(std::mt19937& rng)
{
    // A scan of three faces of a 40 x 30 x 20 box standing on the XY plane, as a sensor above
    // one corner sees it: the top, the front and the right side, on a 2 mm grid.
    std::normal_distribution<double> noise(0.0, 0.01);
    std::vector<Vec3> pts;
    for (double x = 1.0; x < 40.0; x += 2.0) {
        for (double y = 1.0; y < 30.0; y += 2.0) {
            pts.push_back({x, y, 20.0 + noise(rng)});
        }
    }
    for (double x = 1.0; x < 40.0; x += 2.0) {
        for (double z = 1.0; z < 20.0; z += 2.0) {
            pts.push_back({x, 0.0 + noise(rng), z});
        }
    }
    for (double y = 1.0; y < 30.0; y += 2.0) {
        for (double z = 1.0; z < 20.0; z += 2.0) {
            pts.push_back({40.0 + noise(rng), y, z});
        }
    }
    return pts;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::mt19937 rng(20261207);
    const std::vector<Sample> samples{
        {"plane.csv", plane(rng)},   {"sphere.csv", sphere(rng)}, {"arc.csv", arc(rng)},
        {"cylinder.csv", cylinder(rng)}, {"line.csv", line(rng)}, {"zigzag.csv", zigzag(rng)},
        {"box.csv", box(rng)},
    };
    for (const Sample& s : samples) {
        std::string reason;
        const std::string path = folder + "/" + s.name;
        if (tengun::write_whole_file(path, tengun::write_csv_points(s.points), reason) !=
            tengun::Status::ok) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), reason.c_str());
            return 1;
        }
        std::printf("%s: %zu points\n", path.c_str(), s.points.size());
    }
    return 0;
}
