// Stand-in for the renderer; the full contract comes with the render job.
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: yafray scene.xml\n");
        return 1;
    }
    return 0;
}
