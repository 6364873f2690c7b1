// Opening generated scenes as File > Open does (stash, then the reader with TrimText on the
// shortened file, CreateDocument) against a plain copy of the same file in the same run, with the
// peak memory of each. Every measurement runs in a child process of its own so peaks don't mix.
//
//   bench_open [--quick] [--sizes 10,100,500] [--runs N] [--crlf] [--dir FOLDER] [--no-pugixml]
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/skParser.h"

#ifdef KELVANE_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

extern char** environ;

using namespace kelvane;

namespace {

struct TOptions {
    std::vector<double> sizes{10, 100, 500};
    int runs = 0;  // 0: 5 below 200 MB, else 1
    bool crlf = false;
    bool pugixml = true;
    std::string dir;
};

struct TSample {
    double seconds = 0;
    double stashSeconds = 0;
    double parseSeconds = 0;
    double peakBytes = 0;
    size_t nodes = 0;
    int failed = 0;
    char error[200] = {};
};

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Peak resident size of this process so far (VmHWM), in bytes.
double PeakBytes()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::atof(line + 6);
    std::fclose(f);
    return kb * 1024;
}

// A plain copy like cp: one reused 1 MiB buffer, read and write, then close.
TSample MeasureCopy(const fs::path& scene, const fs::path& dir)
{
    TSample s;
    const fs::path target = dir / "copy.tmp";
    std::vector<char> buffer(1u << 20);
    const double t0 = Now();
    const int in = ::open(scene.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0) {
        s.failed = 1;
        return s;
    }
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w <= 0) {
                s.failed = 1;
                break;
            }
            done += w;
        }
    }
    ::close(in);
    ::close(out);
    s.seconds = Now() - t0;
    s.peakBytes = PeakBytes();
    ::unlink(target.c_str());
    return s;
}

size_t CountNodes(const TDomNode* root)
{
    size_t n = 0;
    const TDomNode* node = root->FirstChild();
    while (node) {
        ++n;
        if (node->FirstChild()) {
            node = node->FirstChild();
            continue;
        }
        while (node && node != root && !node->NextSibling())
            node = node->GetParentNode();
        node = node && node != root ? node->NextSibling() : nullptr;
    }
    return n;
}

TSample MeasureOpen(const fs::path& scene, const fs::path& dir)
{
    TSample s;
    const fs::path fake = dir / "~Fake.tmp";
    try {
        const double t0 = Now();
        TMeshStash stash;
        stash.StashMeshes(scene, fake);
        const double t1 = Now();
        TXMLParser parser;
        parser.TrimText = true;
        parser.LoadFromFile(fake);
        std::unique_ptr<TDomDocument> doc = parser.CreateDocument();
        DeleteFileIfExists(fake);
        const double t2 = Now();
        s.stashSeconds = t1 - t0;
        s.parseSeconds = t2 - t1;
        s.seconds = t2 - t0;
        s.peakBytes = PeakBytes();
        s.nodes = CountNodes(doc.get());
    } catch (const std::exception& e) {
        s.failed = 1;
        std::snprintf(s.error, sizeof s.error, "%s", e.what());
    }
    return s;
}

#ifdef KELVANE_HAVE_PUGIXML
TSample MeasurePugixml(const fs::path& scene)
{
    TSample s;
    const double t0 = Now();
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(scene.c_str());
    s.seconds = Now() - t0;
    s.peakBytes = PeakBytes();
    if (!result) {
        s.failed = 1;
        std::snprintf(s.error, sizeof s.error, "%s", result.description());
    }
    return s;
}
#endif

// Runs the measurement in a child process and brings its sample back through a pipe.
template <class F>
TSample InChild(F measure)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return TSample{0, 0, 0, 0, 0, 1, "pipe"};
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const TSample s = measure();
        const ssize_t w = ::write(fds[1], &s, sizeof s);
        ::_exit(w == static_cast<ssize_t>(sizeof s) ? 0 : 1);
    }
    ::close(fds[1]);
    TSample s;
    s.failed = 1;
    size_t got = 0;
    while (got < sizeof s) {
        const ssize_t n = ::read(fds[0], reinterpret_cast<char*>(&s) + got, sizeof s - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got != sizeof s) {
        s = TSample{};
        s.failed = 1;
        std::snprintf(s.error, sizeof s.error, "child ended with status %d", status);
    }
    return s;
}

// Median time of several runs; the peak is the largest seen.
template <class F>
TSample Repeat(int runs, F measure)
{
    std::vector<TSample> samples;
    for (int i = 0; i < runs; ++i)
        samples.push_back(InChild(measure));
    for (const TSample& s : samples)
        if (s.failed)
            return s;
    std::sort(samples.begin(), samples.end(), [](const TSample& a, const TSample& b) { return a.seconds < b.seconds; });
    TSample median = samples[samples.size() / 2];
    for (const TSample& s : samples)
        median.peakBytes = std::max(median.peakBytes, s.peakBytes);
    return median;
}

fs::path GeneratorPath()
{
#ifdef KELVANE_SCENEGEN_EXE
    if (FileExists(KELVANE_SCENEGEN_EXE))
        return KELVANE_SCENEGEN_EXE;
#endif
    return ExecutableFolder() / "kelvane-scenegen";
}

bool Generate(const fs::path& file, double megabytes, bool crlf)
{
    std::string exe = GeneratorPath().string();
    std::string size = std::to_string(megabytes);
    std::string out = file.string();
    std::vector<char*> argv{exe.data(), const_cast<char*>("--size"), size.data(), const_cast<char*>("--objects"),
                            const_cast<char*>("0"), const_cast<char*>("--faces"), const_cast<char*>("2000"),
                            const_cast<char*>("--shaders"), const_cast<char*>("20"), const_cast<char*>("--lights"),
                            const_cast<char*>("10"), const_cast<char*>(crlf ? "--crlf" : "--lf"),
                            const_cast<char*>("-o"), out.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ParseOptions(int argc, char** argv, TOptions& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            o.sizes = {10};
        } else if (arg == "--sizes" && i + 1 < argc) {
            o.sizes.clear();
            for (char* p = argv[++i]; *p;) {
                char* end = nullptr;
                const double v = std::strtod(p, &end);
                if (end == p || v <= 0)
                    return false;
                o.sizes.push_back(v);
                p = *end == ',' ? end + 1 : end;
            }
        } else if (arg == "--runs" && i + 1 < argc) {
            o.runs = std::atoi(argv[++i]);
        } else if (arg == "--crlf") {
            o.crlf = true;
        } else if (arg == "--no-pugixml") {
            o.pugixml = false;
        } else if (arg == "--dir" && i + 1 < argc) {
            o.dir = argv[++i];
        } else {
            return false;
        }
    }
    return !o.sizes.empty();
}

} // namespace

int main(int argc, char** argv)
{
    TOptions o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: bench_open [--quick] [--sizes 10,100,500] [--runs N] [--crlf] [--dir FOLDER] [--no-pugixml]\n");
        return 2;
    }
#ifndef KELVANE_HAVE_PUGIXML
    o.pugixml = false;
#endif
    const bool ownDir = o.dir.empty();
    const fs::path dir = ownDir ? MakePrivateTempDir("kelvane-bench") : fs::path(o.dir);
    std::printf("Open = stash + reader (TrimText) on \"~Fake.tmp\" + CreateDocument; copy = read/write copy "
                "of the same file, same run; %s line ends; median of runs, each in its own process.\n\n",
                o.crlf ? "CR LF" : "LF");
    std::printf("%8s %8s %8s %8s %8s %9s %9s %9s %10s %9s %10s %10s\n", "size MB", "copy s", "open s", "stash s",
                "parse s", "open/copy", "s/100MB", "peak MB", "peak/size", "pugi s", "pugi/copy", "pugi peak");
    int status = 0;
    for (const double mb : o.sizes) {
        const fs::path scene = dir / ("scene-" + std::to_string(static_cast<long>(mb)) + "mb.xml");
        if (!Generate(scene, mb, o.crlf)) {
            std::fprintf(stderr, "cannot generate %s with %s\n", scene.c_str(), GeneratorPath().c_str());
            return 1;
        }
        const double bytes = static_cast<double>(fs::file_size(scene));
        const int runs = o.runs > 0 ? o.runs : (mb < 200 ? 5 : 1);
        const TSample copy = Repeat(runs, [&] { return MeasureCopy(scene, dir); });
        const TSample open = Repeat(runs, [&] { return MeasureOpen(scene, dir); });
        TSample pugi;
#ifdef KELVANE_HAVE_PUGIXML
        if (o.pugixml)
            pugi = Repeat(runs, [&] { return MeasurePugixml(scene); });
#endif
        if (open.failed || copy.failed) {
            std::fprintf(stderr, "%.0f MB: failed: %s\n", mb, open.failed ? open.error : "copy");
            status = 1;
        }
        std::printf("%8.1f %8.3f %8.3f %8.3f %8.3f %9.2f %9.3f %9.1f %10.2f", bytes / 1048576.0, copy.seconds,
                    open.seconds, open.stashSeconds, open.parseSeconds, open.seconds / copy.seconds,
                    open.seconds / (bytes / 104857600.0), open.peakBytes / 1048576.0, open.peakBytes / bytes);
        if (o.pugixml && !pugi.failed)
            std::printf(" %9.3f %10.1f %10.2f\n", pugi.seconds, pugi.seconds / copy.seconds, pugi.peakBytes / bytes);
        else
            std::printf(" %9s %10s %10s%s%s\n", "-", "-", "-", pugi.failed ? "  pugixml: " : "", pugi.error);
        std::fflush(stdout);
        fs::remove(scene);
    }
    if (ownDir) {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    return status;
}
