// kelvane-scenegen: writes a synthetic YafRay scene laid out the way modellers' exporters write
// them: every object inside a transform whose start tag spans several lines (Blender), a comment
// before each block (K-3D), section comments (Wings3D), one element per line for mesh data.
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct TOptions {
    long long objects = 4;     // meshes; ignored when a target size is given
    long long faces = 1000;    // faces per mesh
    long long shaders = 3;
    long long lights = 3;
    long long textures = 2;
    double sizeMb = 0;         // target size of the file, 0: by the object count
    bool crlf = false;
    std::string output;        // empty: standard output
    bool help = false;
};

const char* const kHelp =
    "Usage: kelvane-scenegen [OPTIONS]\n"
    "Writes a synthetic scene: textures, shaders, objects with meshes (each in a transform),\n"
    "lights, a camera, a background and the render settings.\n\n"
    "  -o, --output FILE   write to FILE instead of standard output\n"
    "  --objects N         number of objects with a mesh (default 4)\n"
    "  --faces M           faces per mesh (default 1000)\n"
    "  --shaders S         number of shaders (default 3)\n"
    "  --lights L          number of lights (default 3)\n"
    "  --textures T        number of textures (default 2)\n"
    "  --size MB           add objects until the file holds about MB megabytes (1 MB = 2^20 bytes)\n"
    "  --crlf, --lf        line ends (default LF)\n"
    "  -h, --help          show this text\n";

bool ParseCount(const char* text, long long& value)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0)
        return false;
    value = v;
    return true;
}

// Returns an empty text on success, else the usage error.
std::string ParseOptions(int argc, char** argv, TOptions& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto count = [&](long long& target) -> bool {
            const char* v = value();
            return v && ParseCount(v, target);
        };
        if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--crlf") {
            o.crlf = true;
        } else if (arg == "--lf") {
            o.crlf = false;
        } else if (arg == "-o" || arg == "--output") {
            const char* v = value();
            if (!v)
                return "missing file after " + std::string(arg);
            o.output = v;
        } else if (arg == "--objects") {
            if (!count(o.objects))
                return "bad count after --objects";
        } else if (arg == "--faces") {
            if (!count(o.faces) || o.faces < 1)
                return "bad count after --faces";
        } else if (arg == "--shaders") {
            if (!count(o.shaders) || o.shaders < 1)
                return "bad count after --shaders";
        } else if (arg == "--lights") {
            if (!count(o.lights))
                return "bad count after --lights";
        } else if (arg == "--textures") {
            if (!count(o.textures))
                return "bad count after --textures";
        } else if (arg == "--size") {
            const char* v = value();
            char* end = nullptr;
            o.sizeMb = v ? std::strtod(v, &end) : -1;
            if (!v || end == v || *end != '\0' || !(o.sizeMb > 0))
                return "bad size after --size";
        } else {
            return "unknown argument '" + std::string(arg) + "'";
        }
    }
    return {};
}

// Buffered output that counts what it wrote and ends lines as asked.
class TWriter {
public:
    TWriter(std::FILE* file, bool crlf) : file_(file), crlf_(crlf) { buffer_.reserve(kChunk + 4096); }
    ~TWriter() { Flush(); }

    void Put(std::string_view s)
    {
        buffer_.append(s);
        if (buffer_.size() >= kChunk)
            Flush();
    }
    void Line(std::string_view s)
    {
        buffer_.append(s);
        EndLine();
    }
    void EndLine()
    {
        if (crlf_)
            buffer_ += '\r';
        buffer_ += '\n';
        if (buffer_.size() >= kChunk)
            Flush();
    }
    void Int(long long v)
    {
        char digits[24];
        const int n = std::snprintf(digits, sizeof digits, "%lld", v);
        buffer_.append(digits, static_cast<size_t>(n));
    }
    // A number with six decimals from an integer count of millionths, without printf.
    void Fixed(long long micro)
    {
        if (micro < 0) {
            buffer_ += '-';
            micro = -micro;
        }
        Int(micro / 1000000);
        char frac[8] = {'.', 0, 0, 0, 0, 0, 0, 0};
        long long f = micro % 1000000;
        for (int i = 6; i >= 1; --i) {
            frac[i] = static_cast<char>('0' + f % 10);
            f /= 10;
        }
        buffer_.append(frac, 7);
    }
    bool Flush()
    {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            failed_ = true;
        written_ += buffer_.size();
        buffer_.clear();
        return !failed_;
    }
    unsigned long long Written() const { return written_ + buffer_.size(); }
    bool Failed() const { return failed_; }

private:
    static constexpr size_t kChunk = 1u << 20;
    std::FILE* file_;
    bool crlf_;
    std::string buffer_;
    unsigned long long written_ = 0;
    bool failed_ = false;
};

// Deterministic pseudo-random numbers (64-bit linear congruential generator).
class TNumbers {
public:
    uint32_t Next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state_ >> 33);
    }
    // Millionths in [-range, range] units.
    long long Micro(long long range) { return static_cast<long long>(Next() % (2 * range * 1000000 + 1)) - range * 1000000; }

private:
    uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

// Blender-style names: Base, Base.001, Base.002 ...
std::string Name(std::string_view base, long long i)
{
    if (i == 0)
        return std::string(base);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%03lld", i);
    return std::string(base) + suffix;
}

void Colour(TWriter& w, std::string_view indent, std::string_view name, TNumbers& rnd)
{
    w.Put(indent);
    w.Put("<");
    w.Put(name);
    w.Put(" r=\"");
    w.Fixed(rnd.Next() % 1000001);
    w.Put("\" g=\"");
    w.Fixed(rnd.Next() % 1000001);
    w.Put("\" b=\"");
    w.Fixed(rnd.Next() % 1000001);
    w.Line("\"/>");
}

void Point(TWriter& w, std::string_view indent, std::string_view name, long long x, long long y, long long z)
{
    w.Put(indent);
    w.Put("<");
    w.Put(name);
    w.Put(" x=\"");
    w.Fixed(x);
    w.Put("\" y=\"");
    w.Fixed(y);
    w.Put("\" z=\"");
    w.Fixed(z);
    w.Line("\"/>");
}

void Textures(TWriter& w, const TOptions& o, TNumbers& rnd)
{
    for (long long t = 0; t < o.textures; ++t) {
        const std::string name = Name("Tex", t);
        w.Line("<!-- texture " + name + " -->");
        w.Line("<texture type=\"clouds\" name=\"" + name + "\">");
        Colour(w, "\t", "color1", rnd);
        Colour(w, "\t", "color2", rnd);
        w.Line("\t<depth value=\"2\"/>");
        w.Line("\t<size value=\"0.25\"/>");
        w.Line("</texture>");
    }
}

void Shaders(TWriter& w, const TOptions& o, TNumbers& rnd)
{
    for (long long s = 0; s < o.shaders; ++s) {
        const std::string name = Name("Material", s);
        w.Line("<!-- shader " + name + " -->");
        w.Line("<shader type=\"generic\" name=\"" + name + "\">");
        w.Line("\t<attributes>");
        Colour(w, "\t\t", "color", rnd);
        Colour(w, "\t\t", "specular", rnd);
        Colour(w, "\t\t", "reflected", rnd);
        Colour(w, "\t\t", "transmitted", rnd);
        w.Line("\t\t<hard value=\"50\"/>");
        w.Line("\t\t<IOR value=\"1.5\"/>");
        w.Line("\t\t<min_refle value=\"0\"/>");
        w.Line("\t</attributes>");
        if (o.textures > 0) {
            w.Line("\t<modulator texname=\"" + Name("Tex", s % o.textures) + "\" mode=\"mix\" size=\"1\" >");
            w.Line("\t\t<color value=\"1\"/>");
            w.Line("\t</modulator>");
        }
        w.Line("</shader>");
    }
}

void Object(TWriter& w, const TOptions& o, long long index, TNumbers& rnd)
{
    const std::string name = Name("Cube", index);
    w.Line("<!-- object " + name + " -->");
    // The transform start tag spans four lines, one matrix row each.
    w.Put("<transform m00=\"1.000000\" m01=\"0.000000\" m02=\"0.000000\" m03=\"");
    w.Fixed(rnd.Micro(10));
    w.Line("\"");
    w.Line("\tm10=\"0.000000\" m11=\"1.000000\" m12=\"0.000000\" m13=\"0.000000\"");
    w.Line("\tm20=\"0.000000\" m21=\"0.000000\" m22=\"1.000000\" m23=\"0.000000\"");
    w.Line("\tm30=\"0.000000\" m31=\"0.000000\" m32=\"0.000000\" m33=\"1.000000\">");
    w.Line("<object name=\"" + name + "\" shader_name=\"" + Name("Material", index % o.shaders) +
           "\" shadow=\"on\" emit_rad=\"on\" recv_rad=\"on\" caus_IOR=\"1.5\">");
    w.Line("\t<attributes>");
    w.Line("\t\t<caus_tcolor r=\"0.000000\" g=\"0.000000\" b=\"0.000000\"/>");
    w.Line("\t</attributes>");
    w.Line("\t<mesh autosmooth=\"30.000000\" has_orco=\"off\">");
    w.Line("\t\t<points>");
    const long long points = o.faces + 2;
    for (long long p = 0; p < points; ++p)
        Point(w, "\t\t\t", "p", rnd.Micro(5), rnd.Micro(5), rnd.Micro(5));
    w.Line("\t\t</points>");
    w.Line("\t\t<faces>");
    for (long long f = 0; f < o.faces; ++f) {
        w.Put("\t\t\t<f a=\"");
        w.Int(f);
        w.Put("\" b=\"");
        w.Int(f + 1);
        w.Put("\" c=\"");
        w.Int(f + 2);
        w.Line("\"/>");
    }
    w.Line("\t\t</faces>");
    w.Line("\t</mesh>");
    w.Line("</object>");
    w.Line("</transform>");
}

void Lights(TWriter& w, const TOptions& o, TNumbers& rnd)
{
    static const char* const kTypes[] = {"pointlight", "spotlight", "sunlight", "softlight", "photonlight"};
    for (long long l = 0; l < o.lights; ++l) {
        const std::string name = Name("Lamp", l);
        const char* type = kTypes[l % 5];
        w.Line("<!-- light " + name + " -->");
        w.Put("<light type=\"");
        w.Put(type);
        w.Put("\" name=\"" + name + "\" power=\"1.000000\"");
        if (std::strcmp(type, "photonlight") == 0)
            w.Put(" photons=\"50000\" search=\"50\" depth=\"3\" mode=\"caustic\"");
        w.Line(">");
        Point(w, "\t", "from", rnd.Micro(10), rnd.Micro(10), rnd.Micro(10));
        if (std::strcmp(type, "spotlight") == 0 || std::strcmp(type, "photonlight") == 0)
            Point(w, "\t", "to", 0, 0, 0);
        Colour(w, "\t", "color", rnd);
        w.Line("</light>");
    }
}

void Tail(TWriter& w)
{
    w.Line("<!-- camera -->");
    w.Line("<camera name=\"Camera\" resx=\"800\" resy=\"600\" focal=\"1.093750\">");
    Point(w, "\t", "from", 7000000, -6000000, 5000000);
    Point(w, "\t", "to", 0, 0, 0);
    Point(w, "\t", "up", 7000000, -6000000, 6000000);
    w.Line("</camera>");
    w.Line("<!-- background -->");
    w.Line("<background type=\"constant\" name=\"World\">");
    w.Line("\t<color r=\"0.100000\" g=\"0.100000\" b=\"0.150000\"/>");
    w.Line("</background>");
    w.Line("<!-- render -->");
    w.Line("<render camera_name=\"Camera\" raydepth=\"3\" gamma=\"1.000000\" exposure=\"0.000000\">");
    w.Line("\t<outfile value=\"out.tga\"/>");
    w.Line("\t<save_alpha value=\"off\"/>");
    w.Line("\t<AA_passes value=\"1\"/>");
    w.Line("\t<bias value=\"0.100000\"/>");
    w.Line("</render>");
}

} // namespace

int main(int argc, char** argv)
{
    TOptions o;
    const std::string error = ParseOptions(argc, argv, o);
    if (o.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "kelvane-scenegen: %s\nTry 'kelvane-scenegen --help'.\n", error.c_str());
        return 2;
    }
    std::FILE* file = o.output.empty() ? stdout : std::fopen(o.output.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "kelvane-scenegen: cannot create %s: %s\n", o.output.c_str(), std::strerror(errno));
        return 1;
    }
    bool ok;
    {
        TWriter w(file, o.crlf);
        TNumbers rnd;
        w.Line("<scene>");
        w.Line("<!-- ==== Textures ==== -->");
        Textures(w, o, rnd);
        w.Line("<!-- ==== Shaders ==== -->");
        Shaders(w, o, rnd);
        w.Line("<!-- ==== Objects ==== -->");
        const unsigned long long target = static_cast<unsigned long long>(o.sizeMb * 1048576.0);
        const unsigned long long tailSize = 2048 + static_cast<unsigned long long>(o.lights) * 256;
        for (long long i = 0;; ++i) {
            if (target > 0 ? w.Written() + tailSize >= target : i >= o.objects)
                break;
            Object(w, o, i, rnd);
            if (w.Failed())
                break;
        }
        w.Line("<!-- ==== Lights ==== -->");
        Lights(w, o, rnd);
        Tail(w);
        w.Line("</scene>");
        ok = w.Flush();
    }
    if (file != stdout)
        ok = std::fclose(file) == 0 && ok;
    else
        ok = std::fflush(stdout) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "kelvane-scenegen: write failed: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
