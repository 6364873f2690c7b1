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

TEST(FileIO, AtomicWriteReplacesWholeOrKeepsTheTargetAndLeavesNoTemporary)
{
    TempDir dir;
    const auto target = dir.Write("scene.xml", "old");
    {
        TAtomicFileWriter dropped(target);
        dropped.Write("partial");
    }
    EXPECT_EQ(ReadWholeFile(target), "old");
    WriteFileAtomic(target, "new contents");
    EXPECT_EQ(ReadWholeFile(target), "new contents");
    // A folder in the target's place cannot be replaced by a file: the rename fails.
    dir.Write("folder.xml/inside.txt", "kept");
    EXPECT_THROW(WriteFileAtomic(dir / "folder.xml", "new"), EFileError);
    EXPECT_EQ(ReadWholeFile(dir / "folder.xml/inside.txt"), "kept");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u);
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

TEST(FileIO, WriteIntoMissingFolderFails)
{
    TempDir dir;
    EXPECT_THROW(WriteFileAtomic(dir / "no/such/scene.xml", "x"), EFileError);
    EXPECT_THROW(CopyFileAtomic(dir / "absent", dir / "copy"), EFileError);
    EXPECT_FALSE(FileExists(dir / "copy"));
}
