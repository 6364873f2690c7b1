#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "support/ErrorText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>

#include <fcntl.h>

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

// A link is kept and the file it names (through a chain, or not there yet) is written.
TEST(FileIO, WritesThroughSymbolicLinks)
{
    TempDir dir;
    dir.Write("real/scene.xml", "old");
    fs::create_symlink("real/scene.xml", dir / "link.xml");
    fs::create_symlink(dir / "link.xml", dir / "chain.xml");
    fs::create_symlink("real/new.xml", dir / "dangling.xml");
    WriteFileAtomic(dir / "chain.xml", "new");
    WriteFileAtomic(dir / "dangling.xml", "fresh");
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_TRUE(fs::is_symlink(dir / "chain.xml"));
    EXPECT_EQ(ReadWholeFile(dir / "real/scene.xml"), "new");
    EXPECT_EQ(ReadWholeFile(dir / "real/new.xml"), "fresh");
    EXPECT_EQ(FolderEntries(dir / "real").size(), 2u);
}

// Temporary files a killed writer left beside the target go with the next save of that target;
// one still written (locked), a fresh one and other names stay.
TEST(FileIO, StaleTemporariesOfTheTargetGoWithItsNextSave)
{
    TempDir dir;
    const auto target = dir.Write("scene.xml", "old");
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const char* name : {".scene.xml.kelvane-AbC123", ".scene.xml.kelvane-held01", ".scene.xml.kelvane-Ab12",
                             ".other.xml.kelvane-AbC123", "scene.xml.kelvane-AbC123"}) {
        dir.Write(name, "left");
        fs::last_write_time(dir / name, old);
    }
    dir.Write(".scene.xml.kelvane-fresh1", "just made");
    TFileHandle held(::open((dir / ".scene.xml.kelvane-held01").c_str(), O_RDONLY));
    LockInUse(held.Get());
    WriteFileAtomic(target, "new", true);
    EXPECT_EQ(ReadWholeFile(target), "new");
    const std::vector<fs::path> left = FolderEntries(dir.Path());
    EXPECT_EQ(std::count(left.begin(), left.end(), dir / ".scene.xml.kelvane-AbC123"), 0);
    EXPECT_EQ(left.size(), 6u);
}

// Copies beside other files never replace a different one: the same bytes are used as they are,
// else the next free name is taken.
TEST(FileIO, CopiesBesideOthersNeverReplaceADifferentFile)
{
    TempDir dir;
    const auto source = dir.Write("src/wood.jpg", "picture");
    dir.Write("scene/Wood0.jpg", "mine");
    bool copied = false;
    EXPECT_EQ(CopyBesideOthers(source, dir / "scene", "Wood0.jpg", copied), "Wood0-1.jpg");
    EXPECT_TRUE(copied);
    EXPECT_EQ(ReadWholeFile(dir / "scene/Wood0.jpg"), "mine");
    EXPECT_EQ(ReadWholeFile(dir / "scene/Wood0-1.jpg"), "picture");
    EXPECT_EQ(CopyBesideOthers(source, dir / "scene", "Wood0.jpg", copied), "Wood0-1.jpg");
    EXPECT_FALSE(copied);
    EXPECT_EQ(CopyBesideOthers(dir / "scene/Wood0.jpg", dir / "scene", "Wood0.jpg", copied), "Wood0.jpg");
    EXPECT_FALSE(copied);
    TAtomicFileWriter writer(dir / "scene/Wood0.jpg");
    writer.Write("other");
    EXPECT_FALSE(writer.CommitNew());
    EXPECT_EQ(ReadWholeFile(dir / "scene/Wood0.jpg"), "mine");
    EXPECT_EQ(FolderEntries(dir / "scene").size(), 2u);
}

// The signals that end a program take the registered temporary files and folders with them.
TEST(FileIODeathTest, EndingSignalsRemoveTemporaries)
{
    TempDir dir;
    const fs::path work = dir / "work";
    const auto kept = dir.Write("kept.txt", "stays");
    EXPECT_EXIT(
        {
            RemoveTempFilesOnSignals();
            TAtomicFileWriter writer(dir / "scene.xml");
            writer.Write("half");
            writer.Flush();
            fs::create_directories(work / "sub");
            std::ofstream(work / "a.tmp") << "a";
            TTempGuard guard(work, true);
            TTempGuard file(kept);
            { TTempGuard released(kept); }
            std::raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_FALSE(fs::exists(work));
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}
