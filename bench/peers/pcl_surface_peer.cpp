// PCL on a cloud file of write_surface_clouds ("x y z" per line), as an engineer would use it:
//   pcl_surface_peer <file> mesh [out.ply]
//                                     normal estimation (20 neighbours) + greedy projection
//                                     triangulation (radius 3 mean spacings, mu 2.5); the mesh
//                                     written as binary PLY when a file is named
//   pcl_surface_peer <file> planes [degrees]
//                                     normal estimation (30 neighbours) + region growing
//                                     (normals within `degrees`, 3 by default; curvature 1; at
//                                     least 30 points)
// Prints one line: the step times in seconds and the size of the answer.
#include <pcl/common/io.h>
#include <pcl/features/normal_3d.h>
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>
#include <pcl/search/kdtree.h>
#include <pcl/segmentation/region_growing.h>
#include <pcl/surface/gp3.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

bool read_xyz(const char* path, pcl::PointCloud<pcl::PointXYZ>& cloud)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* p = text.data();
    const char* end = p + text.size();
    float v[3];
    int k = 0;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t' || *p == ',')) {
            ++p;
        }
        if (p == end) {
            break;
        }
        double x = 0.0;
        const auto [next, error] = std::from_chars(p, end, x);
        if (error != std::errc{}) {
            return false;
        }
        p = next;
        v[k++] = static_cast<float>(x);
        if (k == 3) {
            cloud.push_back(pcl::PointXYZ(v[0], v[1], v[2]));
            k = 0;
        }
    }
    return k == 0 && !cloud.empty();
}

/// The cloud and the mesh's triangles as binary little-endian PLY (outside the timed part).
void write_ply(const char* path, const pcl::PointCloud<pcl::PointXYZ>& cloud,
               const pcl::PolygonMesh& mesh)
{
    std::ofstream out(path, std::ios::binary);
    out << "ply\nformat binary_little_endian 1.0\nelement vertex " << cloud.size()
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face "
        << mesh.polygons.size() << "\nproperty list uchar int vertex_indices\nend_header\n";
    for (const auto& p : cloud) {
        const float v[3] = {p.x, p.y, p.z};
        out.write(reinterpret_cast<const char*>(v), sizeof v);
    }
    for (const auto& polygon : mesh.polygons) {
        const unsigned char count = static_cast<unsigned char>(polygon.vertices.size());
        out.write(reinterpret_cast<const char*>(&count), 1);
        for (const auto index : polygon.vertices) {
            const int i = static_cast<int>(index);
            out.write(reinterpret_cast<const char*>(&i), sizeof i);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: pcl_surface_peer <file> mesh [out.ply] | planes [degrees]\n");
        return 2;
    }
    const std::string task = argv[2];
    auto t0 = std::chrono::steady_clock::now();
    pcl::PointCloud<pcl::PointXYZ>::Ptr cloud(new pcl::PointCloud<pcl::PointXYZ>);
    if (!read_xyz(argv[1], *cloud)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const double load = seconds_since(t0);

    t0 = std::chrono::steady_clock::now();
    pcl::search::KdTree<pcl::PointXYZ>::Ptr tree(new pcl::search::KdTree<pcl::PointXYZ>);
    tree->setInputCloud(cloud);
    pcl::PointCloud<pcl::Normal>::Ptr normals(new pcl::PointCloud<pcl::Normal>);
    pcl::NormalEstimation<pcl::PointXYZ, pcl::Normal> estimation;
    estimation.setInputCloud(cloud);
    estimation.setSearchMethod(tree);
    estimation.setKSearch(task == "mesh" ? 20 : 30);
    estimation.compute(*normals);
    const double normal_time = seconds_since(t0);

    t0 = std::chrono::steady_clock::now();
    std::size_t answer = 0;
    if (task == "mesh") {
        // The mean distance to the nearest point, from every hundredth point.
        double spacing = 0.0;
        int samples = 0;
        std::vector<int> found(2);
        std::vector<float> d2(2);
        for (std::size_t i = 0; i < cloud->size(); i += 100) {
            if (tree->nearestKSearch(static_cast<int>(i), 2, found, d2) == 2) {
                spacing += std::sqrt(d2[1]);
                ++samples;
            }
        }
        spacing /= std::max(samples, 1);
        pcl::PointCloud<pcl::PointNormal>::Ptr with_normals(new pcl::PointCloud<pcl::PointNormal>);
        pcl::concatenateFields(*cloud, *normals, *with_normals);
        pcl::search::KdTree<pcl::PointNormal>::Ptr tree2(new pcl::search::KdTree<pcl::PointNormal>);
        tree2->setInputCloud(with_normals);
        pcl::GreedyProjectionTriangulation<pcl::PointNormal> gp3;
        gp3.setSearchRadius(3.0 * spacing);
        gp3.setMu(2.5);
        gp3.setMaximumNearestNeighbors(100);
        gp3.setMaximumSurfaceAngle(M_PI / 4);
        gp3.setMinimumAngle(M_PI / 18);
        gp3.setMaximumAngle(2 * M_PI / 3);
        gp3.setNormalConsistency(false);
        gp3.setInputCloud(with_normals);
        gp3.setSearchMethod(tree2);
        pcl::PolygonMesh mesh;
        gp3.reconstruct(mesh);
        answer = mesh.polygons.size();
        if (argc == 4) {
            write_ply(argv[3], *cloud, mesh);
        }
    } else {
        pcl::RegionGrowing<pcl::PointXYZ, pcl::Normal> growing;
        growing.setMinClusterSize(30);
        growing.setMaxClusterSize(static_cast<int>(cloud->size()));
        growing.setSearchMethod(tree);
        growing.setNumberOfNeighbours(30);
        growing.setInputCloud(cloud);
        growing.setInputNormals(normals);
        const double degrees = argc == 4 ? std::stod(argv[3]) : 3.0;
        growing.setSmoothnessThreshold(static_cast<float>(degrees / 180.0 * M_PI));
        growing.setCurvatureThreshold(1.0);
        std::vector<pcl::PointIndices> clusters;
        growing.extract(clusters);
        answer = clusters.size();
    }
    const double work = seconds_since(t0);
    std::printf("{\"points\": %zu, \"load\": %.3f, \"normals\": %.3f, \"%s\": %.3f, \"%s\": %zu}\n",
                cloud->size(), load, normal_time, task == "mesh" ? "gp3" : "region_growing", work,
                task == "mesh" ? "triangles" : "regions", answer);
    return 0;
}
