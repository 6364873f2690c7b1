// Every kept fuzz input through the fuzz target's path: no crash, and failures only as the
// core's own error kinds.
#include "fuzz/FuzzScene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <typeinfo>
#include <vector>

namespace fs = std::filesystem;

TEST(FuzzRegression, CorpusInputsReadOrFailWithAMessage)
{
    const fs::path corpus = fs::path(KELVANE_SOURCE_DIR) / "tests" / "fuzz" / "corpus";
    const std::vector<fs::path> files = kelvane::test::FolderEntries(corpus);
    ASSERT_FALSE(files.empty());
    size_t read = 0;
    for (const fs::path& file : files) {
        const std::string bytes = kelvane::test::ReadAll(file);
        try {
            kelvane::fuzz::ReadSceneBytes(bytes, true);
            ++read;
        } catch (const kelvane::EKelvaneError& e) {
            EXPECT_FALSE(std::string(e.what()).empty()) << file;
        } catch (const std::exception& e) {
            ADD_FAILURE() << file << ": " << typeid(e).name() << ": " << e.what();
        }
    }
    // The start inputs are good scenes.
    EXPECT_GE(read, 6u);
}
