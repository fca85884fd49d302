#include "surface/point_tree.h"

#include <nanoflann.hpp>

#include "geometry/parallel_for.h"

namespace tengun {

namespace {

struct CloudView {
    std::span<const Vec3> xyz;
    [[nodiscard]] std::size_t kdtree_get_point_count() const { return xyz.size(); }
    [[nodiscard]] double kdtree_get_pt(std::size_t i, std::size_t dim) const { return xyz[i][dim]; }
    template <class Box> bool kdtree_get_bbox(Box& /*box*/) const { return false; }
};

using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, CloudView>,
                                                 CloudView, 3, std::uint32_t>;

} // namespace

struct PointTree::Impl {
    CloudView view;
    Tree tree;
    explicit Impl(std::span<const Vec3> xyz)
        : view{xyz}, tree(3, view, nanoflann::KDTreeSingleIndexAdaptorParams(16))
    {
        tree.buildIndex();
    }
};

PointTree::PointTree(std::span<const Vec3> xyz) : impl_(std::make_unique<Impl>(xyz)) {}

PointTree::~PointTree() = default;

std::size_t PointTree::nearest(const Vec3& at, std::size_t k, std::uint32_t* index,
                               double* d2) const
{
    if (impl_->view.xyz.empty() || k == 0) {
        return 0;
    }
    return impl_->tree.knnSearch(at.data(), k, index, d2);
}

std::vector<std::uint32_t> PointTree::leaf_order() const
{
    return {impl_->tree.vAcc.begin(), impl_->tree.vAcc.end()};
}

void PointTree::within(const Vec3& at, double r2, std::vector<std::uint32_t>& found) const
{
    found.clear();
    std::vector<std::pair<std::uint32_t, double>> matches;
    nanoflann::SearchParams params;
    params.sorted = false;
    impl_->tree.radiusSearch(at.data(), r2, matches, params);
    for (const auto& m : matches) {
        found.push_back(m.first);
    }
}

std::vector<std::uint32_t> nearest_neighbours(const PointTree& tree, std::span<const Vec3> xyz,
                                              std::size_t k)
{
    std::vector<std::uint32_t> out(xyz.size() * k);
    parallel_chunks(xyz.size(), worker_threads(), [&](std::size_t, std::size_t begin,
                                                       std::size_t end) {
        std::vector<double> d2(k);
        for (std::size_t i = begin; i < end; ++i) {
            std::uint32_t* row = out.data() + i * k;
            const std::size_t found = tree.nearest(xyz[i], k, row, d2.data());
            for (std::size_t j = found; j < k; ++j) {
                row[j] = static_cast<std::uint32_t>(i);
            }
        }
    });
    return out;
}

} // namespace tengun
