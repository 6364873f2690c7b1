#include "cli/SessionCommands.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <new>

#include "editing/EditScript.h"
#include "editing/RowListing.h"
#include "editing/SceneSession.h"
#include "scene/ReadErrors.h"

namespace kelvane::cli {

namespace fs = std::filesystem;

namespace {

void Report(const std::string& message)
{
    std::string line = "kelvane-scene: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// Runs body, turning any failure into its message on standard error and status 1.
template <class F>
int Guarded(F&& body)
{
    try {
        return body();
    } catch (const EScriptError& e) {
        Report("line " + std::to_string(e.Line()) + ": " + e.what());
    } catch (const std::bad_alloc&) {
        Report("Out of memory");
    } catch (const std::exception& e) {
        Report(e.what());
    }
    return 1;
}

void Open(TSceneSession& session, const std::string& file)
{
    try {
        session.OpenScene({fs::path(file)});
    } catch (const ESceneReadError& e) {
        throw EKelvaneError(file + ": " + e.Message());  // one line, as check prints it
    } catch (const std::exception& e) {
        throw EKelvaneError(file + ": " + e.what());
    }
}

} // namespace

int RunSessionList(const TOptions& options, const fs::path& workFolder)
{
    return Guarded([&] {
        TSceneSession session(workFolder);
        Open(session, options.files.at(0));
        const std::string out = ListRows(session.Rows());
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    });
}

int RunSessionSave(const TOptions& options, const fs::path& workFolder)
{
    return Guarded([&] {
        TSceneSession session(workFolder);
        Open(session, options.files.at(0));
        for (const std::string& text : options.leaveOut) {
            const int row = session.FindRow(text);
            if (row < 0)
                throw EKelvaneError("no such row: \"" + text + "\"");
            if (!session.SetRowChecked(row, false))
                throw EKelvaneError("the check box of row \"" + text + "\" cannot be changed");
        }
        if (const std::string copied = session.SaveAs(fs::path(options.files.at(1))); !copied.empty())
            std::printf("%s\n", copied.c_str());
        return 0;
    });
}

int RunSessionEdit(const TOptions& options, const fs::path& workFolder)
{
    return Guarded([&] {
        const std::vector<std::string>& args = options.files;
        std::ifstream file;
        if (args.size() == 2) {
            file.open(args[1], std::ios::binary);
            if (!file)
                throw EKelvaneError("Cannot open file \"" + args[1] + "\"");
        }
        TSceneSession session(workFolder);
        Open(session, args.at(0));
        std::ostream& out = std::cout;
        RunEditScript(session, args.size() == 2 ? static_cast<std::istream&>(file) : std::cin, out);
        out.flush();
        return 0;
    });
}

} // namespace kelvane::cli
