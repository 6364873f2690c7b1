#pragma once
// Bounding-volume hierarchy over the scene's triangles (binned surface-area heuristic), with
// nearest-hit and any-hit queries.
#include <cstdint>
#include <vector>

#include "raytracer/RtScene.h"

namespace kelvane::rt {

struct Ray {
    Vec3 origin, dir;
    double travelled = 0;  // path length from the camera to the origin
};

struct Hit {
    double t = 0, u = 0, v = 0;
    uint32_t triangle = 0;
};

class Bvh {
public:
    explicit Bvh(const Scene& scene);

    // Nearest hit with tMin < t < tMax.
    bool Intersect(const Ray& ray, double tMin, double tMax, Hit& hit) const;
    // Nearest hit on a shadow-casting triangle other than `skip`, as global illumination sees
    // the scene.
    bool IntersectCasters(const Ray& ray, double tMin, double tMax, uint32_t skip, Hit& hit) const;
    // Whether a shadow-casting triangle lies between the ray origin and tMax: hits on object
    // `self` count from selfMin on, others from otherMin on.
    bool Occluded(const Ray& ray, double tMax, uint32_t self, double selfMin, double otherMin) const;

    size_t NodeCount() const { return nodes_.size(); }

private:
    struct Node {
        float lo[3], hi[3];
        uint32_t index;      // leaf: first entry of order_; inner: right child (left is next)
        uint32_t count : 30; // 0 for inner nodes
        uint32_t axis : 2;   // inner nodes: the left child holds the lower side along this axis
    };
    struct Traversal;
    bool TriangleHit(uint32_t tri, const Ray& ray, double tMin, double tMax, Hit& hit) const;
    template <bool AnyHit, class Accept>
    bool Traverse(const Ray& ray, double tMin, double tMax, Hit& hit, Accept&& accept) const;

    const Scene& scene_;
    std::vector<Node> nodes_;
    std::vector<uint32_t> order_;
    uint32_t depth_ = 0;
};

} // namespace kelvane::rt
