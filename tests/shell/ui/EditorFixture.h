#pragma once
// The editor started for real in a temporary program folder, its dialogs answered by a script.
#include "FakeDialogs.h"

#include "shell/ui/UnitMain.h"
#include "support/TempDir.h"

#include <memory>
#include <string>

namespace kelvane::test {

struct TEditorFixture {
    TempDir dir;
    TFakeDialogs dialogs;
    TDialogsScope scope{dialogs};
    std::unique_ptr<TKelvaneWindows> windows;

    // Writes the settings file (a stored renderer path and lines of "[System]") unless
    // firstStart, which leaves the program folder empty.
    explicit TEditorFixture(const std::string& settings = "", bool firstStart = false)
    {
        if (!firstStart)
            dir.Write("Pellith.ini", "[System]\r\nEXEPath=/opt/yafray/yafray\r\n" + settings);
    }
    TfrmMain& Start()
    {
        windows = StartKelvane(dir.Path());
        return *windows->main;
    }
    TfrmMain& Main() { return *windows->main; }
    // A copy of the sample scene (with its picture) in its own folder.
    fs::path CopySample(const std::string& name) const
    {
        const fs::path samples = fs::path(KELVANE_SOURCE_DIR) / "data" / "samples";
        const fs::path folder = dir.Path() / (name + "_dir");
        fs::create_directories(folder);
        fs::copy_file(samples / "sample.xml", folder / (name + ".xml"));
        fs::copy_file(samples / "wood.jpg", folder / "wood.jpg");
        return folder / (name + ".xml");
    }
};

} // namespace kelvane::test
