#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kelvane;
using kelvane::test::TempDir;

TEST(FileIO, ReadFailuresNameTheFile)
{
    TempDir dir;
    try {
        ReadWholeFile(dir / "missing.xml");
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.xml"), std::string::npos);
    }
    EXPECT_THROW(ReadWholeFile(dir.Path()), EFileError);
}

TEST(FileIO, AtomicWriteReplacesWholeAndLeavesNoTemporary)
{
    TempDir dir;
    const auto target = dir.Write("scene.xml", "old");
    WriteFileAtomic(target, "new contents");
    EXPECT_EQ(ReadWholeFile(target), "new contents");
    size_t files = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST(FileIO, FailedWriteKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    TempDir dir;
    const auto target = dir.Write("sub/scene.xml", "old");
    ::chmod((dir / "sub").c_str(), 0500);
    EXPECT_THROW(WriteFileAtomic(target, "new"), EFileError);
    ::chmod((dir / "sub").c_str(), 0700);
    EXPECT_EQ(ReadWholeFile(target), "old");
}

TEST(FileIO, WriterDroppedBeforeCommitRemovesItsTemporary)
{
    TempDir dir;
    const auto target = dir.Write("scene.xml", "old");
    {
        TAtomicFileWriter writer(target);
        writer.Write("partial");
    }
    EXPECT_EQ(ReadWholeFile(target), "old");
    size_t files = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST(FileIO, WriteIntoMissingFolderFails)
{
    TempDir dir;
    EXPECT_THROW(WriteFileAtomic(dir / "no/such/scene.xml", "x"), EFileError);
    EXPECT_THROW(CopyFileAtomic(dir / "absent", dir / "copy"), EFileError);
    EXPECT_FALSE(FileExists(dir / "copy"));
}
