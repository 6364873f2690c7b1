// Scenes laid out as the common exporters write them read without a warning and draw their
// textures and lights.
#include <gtest/gtest.h>

#include <cmath>

#include "ExporterScenes.h"
#include "RaytracerScenes.h"

using namespace kelvane::test::rt;
using kelvane::test::TempDir;

TEST(RaytracerExporter, ScenesReadWholeAndDrawTheirTextures)
{
    TempDir dir;
    kelvane::scenes::WriteTexturePictures(dir.Path());
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> objects;
        size_t lights;
    };
    const Case cases[] = {
        {"blender", kelvane::scenes::BlenderTextured(dir.Path().string(), 48, 36), {"Plane", "Sphere", "Cube.001"}, 2},
        {"wings", kelvane::scenes::WingsGi(dir.Path().string(), 48, 36, true), {"w_floor1", "w_wall1", "w_ball1", "w_glass1", "w_lamp1"}, 5},
        {"k3d", kelvane::scenes::K3d(48, 36), {"Ground", "Ball", "Ball2"}, 3},
    };
    for (const Case& c : cases) {
        const Scene scene = Load(c.text);
        EXPECT_TRUE(scene.warnings.empty()) << c.name << ": " << (scene.warnings.empty() ? "" : scene.warnings[0]);
        EXPECT_TRUE(scene.messages.empty()) << c.name;
        EXPECT_EQ(scene.objectNames, c.objects) << c.name;
        EXPECT_EQ(scene.lights.size(), c.lights) << c.name;
        // The lower half shows the textured floor: its pixels differ from each other.
        const Image image = Render(scene);
        double sum = 0, squares = 0;
        int n = 0;
        for (int y = 24; y < 36; ++y)
            for (int x = 0; x < 48; ++x) {
                const double v = Byte(image, x, y, 0);
                sum += v;
                squares += v * v;
                ++n;
            }
        const double mean = sum / n;
        EXPECT_GT(mean, 20) << c.name;
        EXPECT_GT(std::sqrt(squares / n - mean * mean), 8) << c.name;
    }
}
