#include "raytracer/RtBvh.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelvane::rt {

namespace {

constexpr int kBins = 12;
constexpr uint32_t kLeafSize = 4;

struct Box {
    Vec3 lo{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    Vec3 hi{-std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    void Grow(const Vec3& p)
    {
        lo = Min(lo, p);
        hi = Max(hi, p);
    }
    void Grow(const Box& b)
    {
        lo = Min(lo, b.lo);
        hi = Max(hi, b.hi);
    }
    double Area() const
    {
        if (lo.x > hi.x)
            return 0;
        const Vec3 d = hi - lo;
        return 2 * (d.x * d.y + d.y * d.z + d.z * d.x);
    }
};

// Bin of a centre; NaN and overflow land in the first or last bin.
int BinOf(double offset, double scale)
{
    const double f = offset * scale;
    return f > 0 ? (f < kBins ? static_cast<int>(f) : kBins - 1) : 0;
}

float Down(double v) { return std::nextafter(static_cast<float>(v), -std::numeric_limits<float>::infinity()); }
float Up(double v) { return std::nextafter(static_cast<float>(v), std::numeric_limits<float>::infinity()); }

} // namespace

Bvh::Bvh(const Scene& scene) : scene_(scene)
{
    const size_t n = scene.triangles.size();
    if (n == 0)
        return;
    order_.resize(n);
    std::vector<Box> boxes(n);
    std::vector<Vec3> centres(n);
    for (size_t i = 0; i < n; ++i) {
        order_[i] = static_cast<uint32_t>(i);
        for (uint32_t v : scene.triangles[i].v)
            boxes[i].Grow(scene.points[v]);
        centres[i] = (boxes[i].lo + boxes[i].hi) * 0.5;
    }
    nodes_.reserve(n > 0 ? 2 * (n / 2 + 1) : 1);
    struct Task {
        uint32_t node, first, count, depth;
    };
    nodes_.push_back(Node{});
    std::vector<Task> tasks{{0, 0, static_cast<uint32_t>(n), 1}};
    while (!tasks.empty()) {
        const Task task = tasks.back();
        tasks.pop_back();
        depth_ = std::max(depth_, task.depth);
        Box bounds, centreBounds;
        for (uint32_t i = task.first; i < task.first + task.count; ++i) {
            bounds.Grow(boxes[order_[i]]);
            centreBounds.Grow(centres[order_[i]]);
        }
        Node& node = nodes_[task.node];
        for (int k = 0; k < 3; ++k) {
            node.lo[k] = task.count ? Down(bounds.lo[k]) : 1.0f;
            node.hi[k] = task.count ? Up(bounds.hi[k]) : -1.0f;
        }
        node.index = task.first;
        node.count = task.count & 0x3FFFFFFF;
        node.axis = 0;
        if (task.count <= kLeafSize)
            continue;
        // Best binned split over the three axes.
        int bestAxis = -1, bestSplit = 0;
        double bestCost = bounds.Area() * task.count;
        for (int axis = 0; axis < 3; ++axis) {
            const double lo = centreBounds.lo[axis], extent = centreBounds.hi[axis] - lo;
            if (!(extent > 0))
                continue;
            Box binBox[kBins];
            uint32_t binCount[kBins] = {};
            const double scale = kBins / extent;
            for (uint32_t i = task.first; i < task.first + task.count; ++i) {
                const int b = BinOf(centres[order_[i]][axis] - lo, scale);
                ++binCount[b];
                binBox[b].Grow(boxes[order_[i]]);
            }
            double rightArea[kBins];
            uint32_t rightCount[kBins];
            Box acc;
            uint32_t count = 0;
            for (int b = kBins - 1; b > 0; --b) {
                acc.Grow(binBox[b]);
                count += binCount[b];
                rightArea[b] = acc.Area();
                rightCount[b] = count;
            }
            Box left;
            uint32_t leftCount = 0;
            for (int b = 1; b < kBins; ++b) {
                left.Grow(binBox[b - 1]);
                leftCount += binCount[b - 1];
                if (leftCount == 0 || rightCount[b] == 0)
                    continue;
                const double cost = left.Area() * leftCount + rightArea[b] * rightCount[b] + bounds.Area() * 0.5;
                if (cost < bestCost) {
                    bestCost = cost;
                    bestAxis = axis;
                    bestSplit = b;
                }
            }
        }
        uint32_t mid;
        int splitAxis = 0;
        if (bestAxis >= 0) {
            splitAxis = bestAxis;
            const double lo = centreBounds.lo[bestAxis];
            const double scale = kBins / (centreBounds.hi[bestAxis] - lo);
            uint32_t* first = order_.data() + task.first;
            uint32_t* split = std::partition(first, first + task.count, [&](uint32_t t) {
                return BinOf(centres[t][bestAxis] - lo, scale) < bestSplit;
            });
            mid = static_cast<uint32_t>(split - first);
        } else if (task.count > 16) {
            // No better split found (say, equal centres): halve the list.
            const Vec3 extent = centreBounds.hi - centreBounds.lo;
            splitAxis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
            mid = task.count / 2;
            uint32_t* first = order_.data() + task.first;
            std::nth_element(first, first + mid, first + task.count,
                             [&](uint32_t a, uint32_t b) { return centres[a][splitAxis] < centres[b][splitAxis]; });
        } else {
            continue;
        }
        if (mid == 0 || mid == task.count)
            mid = task.count / 2;
        const uint32_t left = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back(Node{});
        const uint32_t right = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back(Node{});
        nodes_[task.node].index = right;
        nodes_[task.node].count = 0;
        nodes_[task.node].axis = static_cast<uint32_t>(splitAxis);
        tasks.push_back({right, task.first + mid, task.count - mid, task.depth + 1});
        tasks.push_back({left, task.first, mid, task.depth + 1});
    }
    // Inner nodes keep their left child at index + 1: renumber depth-first.
    std::vector<Node> flat;
    flat.reserve(nodes_.size());
    struct Item {
        uint32_t old;
        int64_t parentToPatch;
    };
    std::vector<Item> work{{0, -1}};
    while (!work.empty()) {
        const Item item = work.back();
        work.pop_back();
        const uint32_t at = static_cast<uint32_t>(flat.size());
        if (item.parentToPatch >= 0)
            flat[static_cast<size_t>(item.parentToPatch)].index = at;
        const Node old = nodes_[item.old];
        flat.push_back(old);
        if (old.count == 0) {
            const uint32_t leftOld = old.index - 1;  // left was pushed just before right
            work.push_back({old.index, at});
            work.push_back({leftOld, -1});
        }
    }
    nodes_ = std::move(flat);
}

bool Bvh::TriangleHit(uint32_t tri, const Ray& ray, double tMin, double tMax, Hit& hit) const
{
    const Triangle& t = scene_.triangles[tri];
    const Vec3& a = scene_.points[t.v[0]];
    const Vec3 e1 = scene_.points[t.v[1]] - a, e2 = scene_.points[t.v[2]] - a;
    const Vec3 p = Cross(ray.dir, e2);
    const double det = Dot(e1, p);
    if (det == 0)
        return false;
    const double inv = 1 / det;
    const Vec3 s = ray.origin - a;
    const double u = Dot(s, p) * inv;
    if (u < 0 || u > 1)
        return false;
    const Vec3 q = Cross(s, e1);
    const double v = Dot(ray.dir, q) * inv;
    if (v < 0 || u + v > 1)
        return false;
    const double d = Dot(e2, q) * inv;
    if (!(d > tMin && d < tMax))
        return false;
    hit.t = d;
    hit.u = u;
    hit.v = v;
    hit.triangle = tri;
    return true;
}

template <bool AnyHit, class Accept>
bool Bvh::Traverse(const Ray& ray, double tMin, double tMax, Hit& hit, Accept&& accept) const
{
    if (nodes_.empty() || order_.empty())
        return false;
    const float o[3] = {static_cast<float>(ray.origin.x), static_cast<float>(ray.origin.y), static_cast<float>(ray.origin.z)};
    float inv[3];
    for (int k = 0; k < 3; ++k) {
        const double d = ray.dir[k];
        inv[k] = d != 0 ? static_cast<float>(1 / d) : std::numeric_limits<float>::infinity();
    }
    const bool negative[3] = {ray.dir.x < 0, ray.dir.y < 0, ray.dir.z < 0};
    const float lowest = static_cast<float>(tMin) - 1e-4f;
    double best = tMax;
    // Entry distance of the ray into a node's box, or infinity when it misses it.
    auto enter = [&](const Node& node) {
        float t0 = lowest, t1 = static_cast<float>(best) * 1.0001f + 1e-4f;
        for (int k = 0; k < 3; ++k) {
            float a = (node.lo[k] - o[k]) * inv[k], b = (node.hi[k] - o[k]) * inv[k];
            if (a != a)
                a = -std::numeric_limits<float>::infinity();
            if (b != b)
                b = std::numeric_limits<float>::infinity();
            if (a > b)
                std::swap(a, b);
            t0 = std::max(t0, a);
            t1 = std::min(t1, b);
            if (t0 > t1)
                return std::numeric_limits<float>::infinity();
        }
        return t0;
    };
    // The stack never holds more entries than the tree is deep.
    struct Entry {
        uint32_t node;
        float t;
    };
    Entry local[128];
    std::vector<Entry> large;
    if (depth_ >= 128)
        large.resize(depth_ + 1);
    Entry* stack = depth_ >= 128 ? large.data() : local;
    int top = 0;
    bool found = false;
    if (enter(nodes_[0]) == std::numeric_limits<float>::infinity())
        return false;
    uint32_t current = 0;
    for (;;) {
        const Node& node = nodes_[current];
        if (node.count == 0) {
            // Both children's boxes: the nearer is visited first, the other kept.
            const uint32_t left = current + 1, right = node.index;
            float tl = enter(nodes_[left]), tr = enter(nodes_[right]);
            uint32_t near = left, far = right;
            if (tr < tl || (tr == tl && negative[node.axis])) {
                std::swap(tl, tr);
                std::swap(near, far);
            }
            if (tl != std::numeric_limits<float>::infinity()) {
                if (tr != std::numeric_limits<float>::infinity())
                    stack[top++] = Entry{far, tr};
                current = near;
                continue;
            }
        } else {
            for (uint32_t i = node.index; i < node.index + node.count; ++i) {
                Hit h;
                if (!accept(order_[i], h))
                    continue;
                if (TriangleHit(order_[i], ray, tMin, best, h) && accept(order_[i], h)) {
                    if constexpr (AnyHit)
                        return true;
                    hit = h;
                    best = h.t;
                    found = true;
                }
            }
        }
        // Next kept node that still lies before the nearest hit so far.
        const float limit = static_cast<float>(best) * 1.0001f + 1e-4f;
        while (top > 0 && stack[top - 1].t > limit)
            --top;
        if (top == 0)
            break;
        current = stack[--top].node;
    }
    return found;
}

bool Bvh::Intersect(const Ray& ray, double tMin, double tMax, Hit& hit) const
{
    return Traverse<false>(ray, tMin, tMax, hit, [](uint32_t, const Hit&) { return true; });
}

bool Bvh::IntersectCasters(const Ray& ray, double tMin, double tMax, uint32_t skip, Hit& hit) const
{
    return Traverse<false>(ray, tMin, tMax, hit, [&](uint32_t tri, const Hit&) {
        return tri != skip && scene_.objectCastsShadow[scene_.triangles[tri].object];
    });
}

bool Bvh::Occluded(const Ray& ray, double tMax, uint32_t self, double selfMin, double otherMin) const
{
    Hit hit;
    const double lowest = std::min(selfMin, otherMin);
    return Traverse<true>(ray, lowest, tMax, hit, [&](uint32_t tri, const Hit& h) {
        const Triangle& t = scene_.triangles[tri];
        if (!scene_.objectCastsShadow[t.object])
            return false;
        // Before the test h.t is 0: only the shadow flag is checked.
        return h.t == 0 || h.t > (t.object == self ? selfMin : otherMin);
    });
}

} // namespace kelvane::rt
