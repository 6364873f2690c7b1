// Scripted editor sessions replayed through the real kelvane binary, offscreen, one golden
// folder each (tests/data/golden-script/NAME):
//   script.txt     the script, run as "script.txt" from a private program folder
//   scene.xml      opened as scene/scene.xml; or scenes.txt: project-relative scene paths,
//                  each copied with the files of its folder into scene/ and opened together
//   Pellith.ini    the settings file to start with, $STANDIN standing for the stand-in renderer
//                  (default: one naming a renderer)
//   expected.xml   the first scene as the run leaves it
//   stdout.txt     standard output, the program folder written as $DIR/, durations as "S.S s"
//                  and clock times as HH:MM:SS
//   stderr.txt     the script's failure report (the folder as $DIR/); present means exit status 1
//   files.txt      names (relative to the program folder) each followed by " present" or " absent"
//                  after the run
//   settings.txt   lines the settings file holds after shut-down (the folder as $DIR/)
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(KELVANE_TEST_DATA) / "golden-script";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// Render times differ from run to run: "12.3 s" becomes "S.S s", "10:15:02" "HH:MM:SS".
std::string WithoutTimes(const std::string& text)
{
    auto digit = [&text](size_t at) { return at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); };
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (digit(i) && (i == 0 || !digit(i - 1))) {
            size_t end = i;
            while (digit(end))
                ++end;
            if (text.compare(end, 1, ".") == 0 && digit(end + 1) && !digit(end + 2) && text.compare(end + 2, 2, " s") == 0) {
                out += "S.S s";
                i = end + 4;
                continue;
            }
            if (end - i == 2 && text.size() >= i + 8 && text[i + 2] == ':' && digit(i + 3) && digit(i + 4) &&
                text[i + 5] == ':' && digit(i + 6) && digit(i + 7) && !digit(i + 8)) {
                out += "HH:MM:SS";
                i += 8;
                continue;
            }
            out.append(text, i, end - i);
            i = end;
            continue;
        }
        out += text[i++];
    }
    return out;
}

// The editor's own reports; the platform's notes on standard error are left out.
std::string ScriptReports(const std::string& err)
{
    std::string out;
    for (const std::string& line : Lines(err))
        if (line.rfind("script.txt:", 0) == 0 || line.rfind("kelvane:", 0) == 0)
            out += line + "\n";
    return out;
}

std::vector<std::string> GoldenFolders()
{
    std::vector<std::string> names;
    std::istringstream list(KELVANE_SCRIPT_GOLDENS);
    for (std::string name; std::getline(list, name, ',');)
        names.push_back(name);
    return names;
}

class ScriptGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(ScriptGolden, Replays)
{
    const fs::path golden = kGolden / GetParam();
    TempDir dir;
    // The program folder is the one holding the binary: a private copy per run.
    const fs::path exe = dir / "kelvane";
    std::error_code ec;
    fs::create_hard_link(KELVANE_EDITOR_EXE, exe, ec);
    if (ec)
        fs::copy_file(KELVANE_EDITOR_EXE, exe);
    if (fs::exists(golden / "Pellith.ini"))
        dir.Write("Pellith.ini", ReplaceAll(ReadAll(golden / "Pellith.ini"), "$STANDIN", KELVANE_STANDIN_EXE));
    else
        dir.Write("Pellith.ini", "[System]\r\nEXEPath=/opt/yafray/yafray\r\n");
    fs::copy_file(golden / "script.txt", dir / "script.txt");
    // The preview templates the build puts beside the program.
    fs::copy(fs::path(KELVANE_SOURCE_DIR) / "data" / "preview", dir / "preview");
    fs::create_directories(dir / "scene");

    std::vector<std::string> args{"--script", "script.txt"};
    if (fs::exists(golden / "scene.xml")) {
        fs::copy_file(golden / "scene.xml", dir / "scene" / "scene.xml");
        args.push_back("scene/scene.xml");
    }
    for (const std::string& line : Lines(ReadAll(golden / "scenes.txt"))) {
        const fs::path scene = fs::path(KELVANE_SOURCE_DIR) / line;
        for (const auto& entry : fs::directory_iterator(scene.parent_path()))
            if (entry.is_regular_file() && !fs::exists(dir / "scene" / entry.path().filename()))
                fs::copy_file(entry.path(), dir / "scene" / entry.path().filename());
        args.push_back("scene/" + scene.filename().string());
    }

    TProcessOptions options;
    options.workFolder = dir.Path();
    options.tempFolder = dir / "tmp";
    fs::create_directories(dir / "out");
    const TProcessResult r = RunProcess(dir / "out", exe.string(), args, options);
    ASSERT_TRUE(r.exited) << r.err;

    const std::string folder = (dir.Path() / "").string();
    const std::string expectedErr = ReadAll(golden / "stderr.txt");
    EXPECT_EQ(ReplaceAll(ScriptReports(r.err), folder, "$DIR/"), expectedErr) << r.err;
    EXPECT_EQ(r.status, expectedErr.empty() ? 0 : 1) << r.err;
    const std::string out = WithoutTimes(ReplaceAll(r.out, folder, "$DIR/"));
    // After a deliberate change of the output, KELVANE_REGENERATE_GOLDEN=1 writes it anew (review
    // the diff).
    if (std::getenv("KELVANE_REGENERATE_GOLDEN"))
        std::ofstream(golden / "stdout.txt", std::ios::binary) << out;
    EXPECT_EQ(out, ReadAll(golden / "stdout.txt"));
    if (fs::exists(golden / "expected.xml")) {
        const fs::path first = args.size() > 2 ? dir / args[2] : dir / "scene" / "scene.xml";
        EXPECT_EQ(ReadAll(first), ReadAll(golden / "expected.xml"));
    }
    // No temporary file outlives the program.
    for (const char* temporary : {"~Rendering.tmp", "~Fake.tmp"})
        EXPECT_FALSE(fs::exists(dir / temporary)) << temporary;
    for (const std::string& line : Lines(ReadAll(golden / "files.txt"))) {
        const size_t blank = line.rfind(' ');
        ASSERT_NE(blank, std::string::npos) << line;
        EXPECT_EQ(fs::exists(dir / line.substr(0, blank)), line.substr(blank + 1) == "present") << line;
    }
    // Every run ends with the shut-down, which writes the settings file.
    const std::string settings = ReadAll(dir / "Pellith.ini");
    EXPECT_NE(settings.find("MainWindow=FORM"), std::string::npos) << settings;
    for (const std::string& line : Lines(ReadAll(golden / "settings.txt"))) {
        const std::string wanted = ReplaceAll(line, "$DIR/", folder);
        EXPECT_NE(settings.find(wanted + "\r\n"), std::string::npos) << wanted << "\n" << settings;
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, ScriptGolden, ::testing::ValuesIn(GoldenFolders()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
} // namespace kelvane::test
