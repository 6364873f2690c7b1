#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "support/ErrorText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::FolderEntries;
using kelvane::test::TempDir;

TEST(FileIO, ReadFailuresNameTheFile)
{
    TempDir dir;
    EXPECT_NE(kelvane::test::ErrorText([&] { ReadWholeFile(dir / "missing.xml"); }).find("missing.xml"), std::string::npos);
    EXPECT_THROW(ReadWholeFile(dir.Path()), EFileError);
}

TEST(FileIO, AtomicWriteReplacesWholeAndLeavesNoTemporary)
{
    TempDir dir;
    const auto target = dir.Write("scene.xml", "old");
    WriteFileAtomic(target, "new contents");
    EXPECT_EQ(ReadWholeFile(target), "new contents");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);
}

TEST(FileIO, FailedRenameKeepsTheTargetAndLeavesNoTemporary)
{
    TempDir dir;
    // A folder in the target's place cannot be replaced by a file: the rename fails.
    dir.Write("scene.xml/inside.txt", "kept");
    EXPECT_THROW(WriteFileAtomic(dir / "scene.xml", "new"), EFileError);
    EXPECT_EQ(ReadWholeFile(dir / "scene.xml/inside.txt"), "kept");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);
}

TEST(FileIO, LargePiecesArriveWhole)
{
    TempDir dir;
    std::string big(3u << 20, 'x');
    for (size_t i = 0; i < big.size(); i += 4093)
        big[i] = static_cast<char>('a' + i % 26);
    TAtomicFileWriter writer(dir / "big.bin");
    writer.Write("head");
    writer.Write(big);
    writer.Write("tail");
    writer.Commit();
    EXPECT_EQ(ReadWholeFile(dir / "big.bin"), "head" + big + "tail");
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
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);
}

TEST(FileIO, WriteIntoMissingFolderFails)
{
    TempDir dir;
    EXPECT_THROW(WriteFileAtomic(dir / "no/such/scene.xml", "x"), EFileError);
    EXPECT_THROW(CopyFileAtomic(dir / "absent", dir / "copy"), EFileError);
    EXPECT_FALSE(FileExists(dir / "copy"));
}
