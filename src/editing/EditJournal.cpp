#include "editing/EditJournal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvane {

namespace {

uint64_t Fnv(std::string_view text)
{
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string Hex(uint64_t value)
{
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(value));
    return buffer;
}

bool Special(unsigned char c)
{
    return c == '%' || c == '\r' || c == '\n' || c == 0x1E || c == 0x1F;
}

void Escape(std::string& out, std::string_view word)
{
    static const char digits[] = "0123456789ABCDEF";
    for (unsigned char c : word) {
        if (Special(c)) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

std::string Unescape(std::string_view word)
{
    std::string out;
    out.reserve(word.size());
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '%' && i + 2 < word.size()) {
            auto nibble = [](char c) {
                return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            };
            const int hi = nibble(word[i + 1]);
            const int lo = nibble(word[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += word[i];
    }
    return out;
}

std::string Payload(const std::vector<TJournalCall>& calls)
{
    std::string out;
    for (size_t c = 0; c < calls.size(); ++c) {
        if (c)
            out += '\x1E';
        for (size_t w = 0; w < calls[c].size(); ++w) {
            if (w)
                out += '\x1F';
            Escape(out, calls[c][w]);
        }
    }
    return out;
}

std::vector<TJournalCall> Calls(std::string_view payload)
{
    std::vector<TJournalCall> calls;
    size_t start = 0;
    while (start <= payload.size()) {
        size_t end = payload.find('\x1E', start);
        if (end == std::string_view::npos)
            end = payload.size();
        const std::string_view call = payload.substr(start, end - start);
        TJournalCall words;
        size_t from = 0;
        while (from <= call.size()) {
            size_t to = call.find('\x1F', from);
            if (to == std::string_view::npos)
                to = call.size();
            words.push_back(Unescape(call.substr(from, to - from)));
            from = to + 1;
        }
        calls.push_back(std::move(words));
        start = end + 1;
    }
    return calls;
}

std::string Line(char kind, const std::string& payload)
{
    return std::string(1, kind) + " " + std::to_string(payload.size()) + " " + Hex(Fnv(payload)) + " " + payload +
           "\n";
}

// The payload of a whole, undamaged line of this kind; false otherwise.
bool ParseLine(std::string_view line, char kind, std::string& payload)
{
    if (line.size() < 4 || line[0] != kind || line[1] != ' ')
        return false;
    const size_t sizeEnd = line.find(' ', 2);
    if (sizeEnd == std::string_view::npos || sizeEnd == 2 || sizeEnd > 22)
        return false;
    uint64_t size = 0;
    for (size_t i = 2; i < sizeEnd; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
        size = size * 10 + uint64_t(line[i] - '0');
    }
    if (line.size() < sizeEnd + 18 || line[sizeEnd + 17] != ' ')
        return false;
    const std::string_view check = line.substr(sizeEnd + 1, 16);
    const std::string_view body = line.substr(sizeEnd + 18);
    if (body.size() != size || Hex(Fnv(body)) != check)
        return false;
    payload.assign(body);
    return true;
}

// The test hook: KELVANE_JOURNAL_KILL=N ends the program with SIGKILL once N records are
// written; "N.5" writes half of record N + 1 first.
struct TKillHook {
    int after = -1;
    bool half = false;
    TKillHook()
    {
        if (const char* text = std::getenv("KELVANE_JOURNAL_KILL")) {
            after = std::atoi(text);
            half = std::string_view(text).find(".5") != std::string_view::npos;
        }
    }
};
const TKillHook& KillHook()
{
    static const TKillHook hook;
    return hook;
}

} // namespace

struct TEditJournal::TOut {
    std::FILE* file;
};

TJournalBase JournalBaseOf(const fs::path& scene)
{
    TJournalBase base;
    std::error_code ec;
    const fs::path absolute = fs::absolute(scene, ec);
    base.path = (ec ? scene : absolute.lexically_normal()).string();
    const auto size = fs::file_size(scene, ec);
    if (!ec)
        base.size = size;
    const auto time = fs::last_write_time(scene, ec);
    if (!ec)
        base.time = static_cast<int64_t>(time.time_since_epoch().count());
    return base;
}

fs::path JournalFileFor(const fs::path& folder, const fs::path& scene)
{
    return folder / (scene.stem().string() + "-" + Hex(Fnv(JournalBaseOf(scene).path)) + ".journal");
}

TEditJournal::~TEditJournal()
{
    Close();
}

void TEditJournal::Close()
{
    if (out_) {
        std::fclose(out_->file);
        delete out_;
        out_ = nullptr;
    }
}

void TEditJournal::Start(const fs::path& scene)
{
    Close();
    scene_ = scene;
    file_ = JournalFileFor(folder_, scene);
    pending_.clear();
    failed_ = false;
    records_ = 0;
}

void TEditJournal::Call(TJournalCall call)
{
    if (!Started() || failed_)
        return;
    pending_.push_back(std::move(call));
    // Calls made between steps (selections, fills) must not pile up without end.
    if (pending_.size() >= 4096)
        Flush();
}

void TEditJournal::Flush()
{
    if (!Started() || failed_ || pending_.empty())
        return;
    if (!out_) {
        std::error_code ec;
        fs::create_directories(folder_, ec);
        base_ = JournalBaseOf(scene_);
        std::FILE* file = std::fopen(file_.string().c_str(), "wb");
        if (!file) {
            failed_ = true;
            pending_.clear();
            return;
        }
        out_ = new TOut{file};
        const std::string header =
            Line('H', Payload({{"kelvane-journal", "1", base_.path, std::to_string(base_.size),
                                std::to_string(base_.time)}}));
        std::fwrite(header.data(), 1, header.size(), out_->file);
    }
    const std::string line = Line('R', Payload(pending_));
    pending_.clear();
    const TKillHook& hook = KillHook();
    if (hook.half && records_ == hook.after) {
        std::fwrite(line.data(), 1, line.size() / 2, out_->file);
        std::fflush(out_->file);
        std::raise(SIGKILL);
    }
    if (std::fwrite(line.data(), 1, line.size(), out_->file) != line.size() || std::fflush(out_->file) != 0)
        failed_ = true;
    ++records_;
    if (!hook.half && records_ == hook.after)
        std::raise(SIGKILL);
}

void TEditJournal::Remove()
{
    Close();
    pending_.clear();
    records_ = 0;
    failed_ = false;
    if (!file_.empty()) {
        std::error_code ec;
        fs::remove(file_, ec);
    }
}

TJournalContents ReadJournal(const fs::path& file)
{
    TJournalContents contents;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return contents;
    std::string line, payload;
    if (!std::getline(in, line) || !ParseLine(line, 'H', payload))
        return contents;
    const std::vector<TJournalCall> header = Calls(payload);
    if (header.size() != 1 || header[0].size() != 5 || header[0][0] != "kelvane-journal")
        return contents;
    contents.readable = true;
    contents.base.path = header[0][2];
    contents.base.size = std::strtoull(header[0][3].c_str(), nullptr, 10);
    contents.base.time = std::strtoll(header[0][4].c_str(), nullptr, 10);
    bool damaged = false;
    while (std::getline(in, line)) {
        // A record cut short has no line end: getline gives it all the same, and its check fails.
        if (!damaged && ParseLine(line, 'R', payload)) {
            contents.records.push_back(Calls(payload));
            continue;
        }
        damaged = true;
        if (!line.empty())
            ++contents.lost;
    }
    return contents;
}

fs::path KeepJournalAside(const fs::path& file)
{
    for (int n = 1;; ++n) {
        fs::path aside = file;
        aside += ".old" + std::to_string(n);
        std::error_code ec;
        if (fs::exists(aside, ec))
            continue;
        fs::rename(file, aside, ec);
        return ec ? file : aside;
    }
}

} // namespace kelvane
