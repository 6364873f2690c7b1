// Every kept picture fuzz input through the fuzz target's path: no crash, failures only as
// picture errors with a message.
#include "fuzz/FuzzPicture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <typeinfo>
#include <vector>

namespace fs = std::filesystem;

TEST(PictureFuzzRegression, CorpusInputsDecodeOrFailWithAMessage)
{
    const fs::path corpus = fs::path(KELVANE_SOURCE_DIR) / "tests" / "fuzz" / "corpus-picture";
    const std::vector<fs::path> files = kelvane::test::FolderEntries(corpus);
    ASSERT_FALSE(files.empty());
    size_t starts = 0, decodedStarts = 0;
    for (const fs::path& file : files) {
        const bool start = file.filename().string().rfind("start-", 0) == 0;
        starts += start;
        try {
            kelvane::fuzz::CheckPicture(kelvane::fuzz::DecodePictureBytes(kelvane::test::ReadAll(file)));
            decodedStarts += start;
        } catch (const kelvane::EPictureError& e) {
            EXPECT_FALSE(std::string(e.what()).empty()) << file;
        } catch (const std::exception& e) {
            ADD_FAILURE() << file << ": " << typeid(e).name() << ": " << e.what();
        }
    }
    // The start inputs are good pictures.
    EXPECT_EQ(decodedStarts, starts);
}
