// kelvane-scene: scene files from the command line, on the same core as the editor.
#include <cstdio>

int main(int argc, char** argv)
{
    std::fprintf(stderr, "usage: kelvane-scene check FILE...\n");
    return 2;
}
