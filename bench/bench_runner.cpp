// The renderer runner reading 100 MB of renderer-like output (progress '#' lines and text),
// beside `cat` of the same file into a pipe read with 64 KiB reads in the same run. The runner
// starts `cat` too (as the renderer, with the file as its one argument), so the ratio is the
// runner's own cost: polling both pipes, zero-byte cuts, '#' counting and keeping the text.
// Medians of five runs; target: runner/cat at most 2.
//     build/bin/bench_runner [megabytes]
#include "BenchTiming.h"
#include "render/ProcessRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "scene/FileIO.h"

using namespace kelvane;
using kelvane::bench::MedianMs;

namespace {

struct TCounter : IRunObserver {
    long long hashes = 0;
    void Progress(long long h) override { hashes = h; }
};

} // namespace

int main(int argc, char** argv)
{
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
    const fs::path folder = MakePrivateTempDir("bench_runner");
    const fs::path file = folder / "output.txt";
    {
        std::string block;
        while (block.size() < (1u << 20)) {
            block += "\rRender pass: [##########]\n";
            block += "[WARNING]:Unused param raydepth in render block, 0123456789 abcdefghij\n";
        }
        block.resize(1u << 20);
        std::ofstream out(file, std::ios::binary);
        for (long long i = 0; i < megabytes; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const std::string quoted = "cat '" + file.string() + "'";
    volatile size_t sink = 0;
    const double cat = MedianMs([&] {
        FILE* pipe = ::popen(quoted.c_str(), "r");
        std::vector<char> buffer(64 * 1024);
        size_t n, total = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            total += n;
        ::pclose(pipe);
        sink = sink + total;
    });
    TCounter counter;
    const double runner = MedianMs([&] {
        std::string out, err;
        RunRenderer({"cat", file, folder, true}, out, err, &counter);
        sink = sink + out.size();
    });
    std::printf("%-28s %10s %10s\n", "case", "ms", "x cat");
    std::printf("%-28s %10.1f %10.2f\n", "cat into a pipe", cat, 1.0);
    std::printf("%-28s %10.1f %10.2f\n", "RunRenderer (render job)", runner, runner / cat);
    std::printf("%lld MB, %lld '#' counted\n", megabytes, counter.hashes);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}
