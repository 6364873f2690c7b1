// kelvane-scene: scene files from the command line, on the same core as the editor.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "cli/FarmCommand.h"
#include "cli/HistoryCommands.h"
#include "cli/RenderCommand.h"
#include "cli/SessionCommands.h"
#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/NumFormat.h"
#include "scene/ReadErrors.h"
#include "scene/SceneReading.h"
#include "scene/TempFiles.h"
#include "scene/TextCodec.h"
#include "scene/skDom.h"
#include "shell/ProgramFolder.h"
#include "shell/ScriptLine.h"
#include "shell/Version.h"

using namespace kelvane;

namespace {

constexpr std::string_view kProgram = "kelvane-scene";

using cli::TOptions;

// Shared by the subcommands of one run: the private temporary folder (a killed run's is removed
// by the next) and the stash.
class TRun {
public:
    TRun() : temp_("kelvane-scene") {}
    TRun(const TRun&) = delete;
    TRun& operator=(const TRun&) = delete;

    const fs::path& TempDir() const { return temp_.Path(); }
    fs::path FakeFile() const { return temp_.Path() / "~Fake.tmp"; }
    TMeshStash& Stash() { return stash_; }

private:
    TWorkFolder temp_;
    TMeshStash stash_;
};

// Buffered standard output for large listings.
class TOutput {
public:
    ~TOutput() { Flush(); }
    void Put(std::string_view s)
    {
        buffer_.append(s);
        if (buffer_.size() >= (1u << 20))
            Flush();
    }
    void Put(char c) { buffer_ += c; }
    void Blanks(size_t count)
    {
        while (count > 0) {
            const size_t n = std::min(count, size_t(4096));
            buffer_.append(n, ' ');
            count -= n;
            if (buffer_.size() >= (1u << 20))
                Flush();
        }
    }
    void Flush()
    {
        if (!buffer_.empty())
            std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        buffer_.clear();
    }

private:
    std::string buffer_;
};

// The text of a failure as one line: line breaks inside it are shown as \r and \n.
std::string OneLine(std::string_view message)
{
    return EscapeBreaks(message);
}

// Reads one scene as File > Open does. Returns the document, or nullptr with the message (the
// reader's first line; with where, "FILE:LINE:COLUMN: MESSAGE" and placed set when it has a place).
std::unique_ptr<TDomDocument> Read(TRun& run, const std::string& file, std::string& error, bool where = false,
                                   bool* placed = nullptr)
{
    try {
        return ReadSceneFile(file, run.Stash(), run.FakeFile());
    } catch (const ESceneReadError& e) {
        error = where ? e.WhereLine() : e.Message();
        if (placed)
            *placed = where;
    } catch (const EKelvaneError& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "Out of memory";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// check

int RunCheck(const TOptions& options, TRun& run)
{
    if (options.render)
        return cli::RunCheckRender(options, run.TempDir());
    bool allOk = true;
    for (const std::string& file : options.files) {
        std::string error;
        bool placed = false;
        const bool ok = Read(run, file, error, options.where, &placed) != nullptr;
        allOk = allOk && ok;
        std::string line = (placed ? "" : file + ": ") + (ok ? std::string("ok") : OneLine(error)) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    return allOk ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------
// tree

void PutQuoted(TOutput& out, std::string_view text)
{
    out.Put('"');
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* escape = c == '"' ? "\\\"" : c == '\\' ? "\\\\" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : nullptr;
        if (!escape)
            continue;
        out.Put(text.substr(from, i - from));
        out.Put(escape);
        from = i + 1;
    }
    out.Put(text.substr(from));
    out.Put('"');
}

void PutNode(TOutput& out, const TDomNode* node)
{
    switch (node->NodeType()) {
    case ELEMENT_NODE: {
        out.Put('<');
        out.Put(Narrow(node->NodeName()));
        if (const TDomElement* element = node->AsElement())
            for (int i = 0; i < element->AttributeCount(); ++i) {
                out.Put(' ');
                out.Put(Narrow(element->AttributeName(i)));
                out.Put('=');
                PutQuoted(out, Narrow(element->AttributeValue(i)));
            }
        out.Put('>');
        break;
    }
    case TEXT_NODE:
        out.Put("#text ");
        PutQuoted(out, Narrow(node->GetNodeValue()));
        break;
    case COMMENT_NODE:
        out.Put("#comment ");
        PutQuoted(out, Narrow(node->GetNodeValue()));
        break;
    case CDATA_SECTION_NODE:
        out.Put("#cdata-section ");
        PutQuoted(out, Narrow(node->GetNodeValue()));
        break;
    case ENTITY_REFERENCE_NODE:
        out.Put('&');
        out.Put(Narrow(node->NodeName()));
        out.Put(';');
        break;
    default:
        out.Put(Narrow(node->NodeName()));
        break;
    }
    out.Put('\n');
}

// Depth first without recursion, so any nesting depth prints.
void PutTree(TOutput& out, const TDomDocument& doc)
{
    const TDomNode* node = doc.FirstChild();
    size_t depth = 0;
    while (node) {
        out.Blanks(2 * depth);
        PutNode(out, node);
        if (const TDomNode* child = node->FirstChild()) {
            node = child;
            ++depth;
            continue;
        }
        while (node && !node->NextSibling()) {
            node = node->GetParentNode();
            if (node == &doc || depth == 0) {
                node = nullptr;
                break;
            }
            --depth;
        }
        if (node)
            node = node->NextSibling();
    }
}

int RunTree(const TOptions& options, TRun& run)
{
    const std::string& file = options.files.front();
    std::string error;
    const std::unique_ptr<TDomDocument> doc = Read(run, file, error);
    if (!doc) {
        const std::string line = file + ": " + OneLine(error) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return 1;
    }
    TOutput out;
    PutTree(out, *doc);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Subcommands and options

struct TSubcommand {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    size_t minFiles;
    size_t maxFiles;
    int (*run)(const TOptions&, TRun&);
};

constexpr size_t kAny = static_cast<size_t>(-1);

const TSubcommand kSubcommands[] = {
    {"check", "FILE... [--where]", "read each scene as File > Open does; print \"FILE: ok\" or \"FILE: \" and the error; "
     "with --where an error as \"FILE:LINE:COLUMN: MESSAGE\" (line and column in FILE as it stands, 1-based); "
     "with --render also what the renderer would get wrong, \"FILE: ELEMENT: FINDING\" a line, exit status 3 when any", 1, kAny,
     RunCheck},
    {"tree", "FILE", "read a scene and print its document tree, one node per line", 1, 1, RunTree},
    {"list", "FILE", "open a scene as File > Open does and print its element-list rows, \"[x] \", \"[ ] \" or \"[-] \" and the text; "
     "like File > Open, list, save and edit write the pictures of JPEG textures into FILE's folder", 1, 1,
     [](const TOptions& o, TRun& r) { return cli::RunSessionList(o, r.TempDir()); }},
    {"save", "FILE OUT [--leave-out ROW]...", "open FILE, uncheck each row named (its exact text), save it as OUT; FILE is not written; "
     "into another folder the texture files go along, as with Save as", 2, 2,
     [](const TOptions& o, TRun& r) { return cli::RunSessionSave(o, r.TempDir()); }},
    {"edit", "FILE [SCRIPT]", "open FILE and run an edit script (SCRIPT or standard input), one command a line: "
     "select ROW, check ROW on|off, get PATH NAME, set PATH NAME VALUE [KIND], delete PATH NAME, "
     "copy KIND SOURCE NEW, save [OUT]", 1, 2,
     [](const TOptions& o, TRun& r) { return cli::RunSessionEdit(o, r.TempDir()); }},
    {"render", "FILE... [--renderer PATH] [--threads N] [--region XMIN:XMAX:YMIN:YMAX]",
     "render each scene to a Targa picture beside it, as a batch render does; the renderer from PATH, else from "
     "\"Pellith.ini\" beside the program; N threads, else \"System\"/\"Threads\" of \"Pellith.ini\" (the machine's cores); "
     "--region renders one scene's rectangle (-1 to 1, y up) and pastes it into the picture beside FILE; "
     "exit status 1 when one fails", 1, kAny,
     [](const TOptions& o, TRun& r) { return cli::RunRender(o, r.TempDir(), ProgramFolder()); }},
    {"history", "SCENE", "the editor's render history of SCENE, newest first: ID, date, seconds, WIDTHxHEIGHT and "
     "the changes since the render before, separated by tabs", 1, 1,
     [](const TOptions& o, TRun&) { return cli::RunHistory(o, ProgramFolder()); }},
    {"compare", "A B", "the mean difference per channel and the share of changed pixels of two pictures", 2, 2,
     [](const TOptions& o, TRun&) { return cli::RunCompare(o); }},
    {"farm", "COMMAND ...", "render a batch on a Slurm cluster or this machine: farm submit, status, wait, cancel, release, resubmit, "
     "list, forget; see 'farm --help'", 1, kAny,
     [](const TOptions& o, TRun& r) { return cli::RunFarm(o, r.TempDir(), ProgramFolder()); }},
};

const TSubcommand* FindSubcommand(std::string_view name)
{
    for (const TSubcommand& c : kSubcommands)
        if (c.name == name)
            return &c;
    return nullptr;
}

std::string HelpText()
{
    std::string s;
    s += "Usage: " + std::string(kProgram) + " COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const TSubcommand& c : kSubcommands) {
        std::string head = "  " + std::string(c.name) + " " + std::string(c.arguments);
        if (head.size() < 18)
            head.resize(18, ' ');
        s += head + "  " + std::string(c.summary) + "\n";
    }
    s += "\nOptions:\n  -h, --help        show this text\n  --version         show the version\n\n";
    s += "Exit status: 0 when every scene reads, 1 when one does not, 2 for a usage error, 3 for findings of check --render.\n";
    return s;
}

// Returns an empty text on success, else the usage error.
std::string ParseOptions(int argc, char** argv, TOptions& options)
{
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnd && (arg == "-h" || arg == "--help")) {
            options.help = true;
        } else if (!optionsEnd && arg == "--version") {
            options.version = true;
        } else if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg == "--leave-out") {
            if (i + 1 >= argc)
                return "--leave-out needs ROW";
            options.leaveOut.emplace_back(argv[++i]);
        } else if (!optionsEnd && arg == "--renderer") {
            if (i + 1 >= argc)
                return "--renderer needs PATH";
            options.renderer = argv[++i];
        } else if (!optionsEnd && arg == "--region") {
            if (i + 1 >= argc)
                return "--region needs XMIN:XMAX:YMIN:YMAX";
            options.region = argv[++i];
        } else if (!optionsEnd && arg == "--threads") {
            if (i + 1 >= argc)
                return "--threads needs N";
            int64_t n = 0;
            if (!TryStrToInt64(argv[++i], n) || n < 1 || n > 1024)
                return "--threads needs a whole number from 1 to 1024";
            options.threads = int(n);
        } else if (!optionsEnd && arg == "--render") {
            options.render = true;
        } else if (!optionsEnd && arg == "--where") {
            options.where = true;
        } else if (!optionsEnd && (arg == "--folder" || arg == "--partition" || arg == "--max-parallel" || arg == "--time" ||
                                   arg == "--retries" || arg == "--per-task" || arg == "--nice" || arg == "--list" ||
                                   arg == "--timeout" || arg == "--mem" || arg == "--scheduler")) {
            if (i + 1 >= argc)
                return std::string(arg) + " needs a value";
            options.farm[std::string(arg)] = argv[++i];
        } else if (!optionsEnd && (arg == "--hold" || arg == "--failed" || arg == "--all" || arg == "--delete")) {
            options.farm[std::string(arg)] = {};
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + std::string(arg) + "'";
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            options.files.emplace_back(arg);
        }
    }
    if (options.help || options.version)
        return {};
    if (options.command.empty())
        return "no command given";
    const TSubcommand* c = FindSubcommand(options.command);
    if (!c)
        return "unknown command '" + options.command + "'";
    if (options.files.size() < c->minFiles)
        return std::string(c->name) + " needs " + std::string(c->arguments);
    if (options.files.size() > c->maxFiles)
        return std::string(c->name) + " takes " + std::string(c->arguments);
    if (!options.leaveOut.empty() && c->name != "save")
        return "--leave-out is an option of save";
    if (options.renderer && c->name != "render" && c->name != "farm")
        return "--renderer is an option of render and farm submit";
    if ((options.region || options.threads) && c->name != "render")
        return std::string(options.region ? "--region" : "--threads") + " is an option of render";
    if (options.region && options.files.size() != 1)
        return "--region takes one FILE";
    if ((options.render || options.where) && c->name != "check")
        return std::string(options.render ? "--render" : "--where") + " is an option of check";
    if (!options.farm.empty() && c->name != "farm")
        return options.farm.begin()->first + " is an option of farm " + cli::FarmOptionOwner(options.farm.begin()->first);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    TOptions options;
    const std::string usageError = ParseOptions(argc, argv, options);
    if (options.help && options.command == "farm") {
        std::fputs(cli::FarmHelpText().c_str(), stdout);
        return 0;
    }
    if (options.version && !options.help && usageError.empty()) {
        std::puts(VersionLine().c_str());
        return 0;
    }
    if (options.help || argc < 2) {
        const std::string help = HelpText();
        std::fputs(help.c_str(), options.help ? stdout : stderr);
        return options.help ? 0 : 2;
    }
    if (!usageError.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram.data(), usageError.c_str(), kProgram.data());
        return 2;
    }
    RemoveTempFilesOnSignals();
    try {
        TRun run;
        return FindSubcommand(options.command)->run(options, run);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram.data(), e.what());
        return 1;
    }
}
