// The file layer: what the line reader, the bitmap reader and the save
// rely on.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/files/files.h"
#include "testfiles.h"

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { FileFaultSet(nullptr); }
    TempDir dir;
};

TEST(FspInitTest, KeepsAtMostItsOwnSizeAndSetsIt) {
    // A caller's record may be shorter or longer than the layer's 62 bytes.
    unsigned char big[200];
    std::memset(big, 0xAB, sizeof big);
    uint16_t size = sizeof big;
    std::memcpy(big, &size, 2);
    EXPECT_EQ(FSPInit((const _FSP_INIT_PARAMS *)big), 1);
    EXPECT_EQ(uint16_t{FileParams()->size}, 62u);
    EXPECT_EQ(FileParams()->rest[59], 0xAB);

    unsigned char small[4] = {4, 0, 0x11, 0x22};
    EXPECT_EQ(FSPInit((const _FSP_INIT_PARAMS *)small), 1);
    EXPECT_EQ(uint16_t{FileParams()->size}, 62u);
    EXPECT_EQ(FileParams()->rest[0], 0x11);
    EXPECT_EQ(FileParams()->rest[1], 0x22);
    EXPECT_EQ(FileParams()->rest[2], 0) << "the rest is cleared, not left from before";

    EXPECT_EQ(FSPInit(nullptr), 1);
    EXPECT_EQ(FileParams()->rest[0], 0);
}

TEST_F(FilesTest, OpenNeedsAnExistingRegularFileUnlessCreating) {
    uint32_t handle = 77, size = 88;
    EXPECT_EQ(FileOpen((dir / "none").c_str(), FILE_READ, &handle, &size), FILE_FAILED);
    EXPECT_EQ(FileOpen((dir / "none").c_str(), FILE_WRITE, &handle, &size), FILE_FAILED);
    EXPECT_EQ(handle, 77u) << "nothing stored on failure";
    EXPECT_FALSE(PathExists(dir / "none"));

    // A folder and a FIFO are no files to read; the FIFO must not block.
    EXPECT_EQ(FileOpen(dir.root().c_str(), FILE_READ, &handle, &size), FILE_FAILED);
    EXPECT_EQ(FileOpen(dir.root().c_str(), FILE_WRITE | FILE_CREATE, &handle, &size), FILE_FAILED);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(FileOpen((dir / "fifo").c_str(), FILE_READ, &handle, &size), FILE_FAILED);

    WriteFile(dir / "data", std::string(5000, 'x'));
    ASSERT_EQ(FileOpen((dir / "data").c_str(), FILE_READ, &handle, &size), FILE_OK);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(size, 5000u);
    EXPECT_EQ(FileClose(handle), FILE_OK);

    ASSERT_EQ(FileOpen((dir / "data").c_str(), FILE_WRITE | FILE_CREATE, &handle, &size), FILE_OK);
    EXPECT_EQ(size, 0u) << "creating empties an existing file";
    EXPECT_EQ(FileClose(handle), FILE_OK);
    EXPECT_EQ(ReadFile(dir / "data"), "");
}

TEST_F(FilesTest, ShortReadsAndAllOrNothingWrites) {
    uint32_t handle, size;
    ASSERT_EQ(FileOpen((dir / "f").c_str(), FILE_WRITE | FILE_CREATE, &handle, &size), FILE_OK);
    std::string hundred(100, 'a');
    EXPECT_EQ(FileWrite(handle, hundred.data(), 100), FILE_OK);
    char buffer[1024];
    uint16_t read = 999;
    EXPECT_EQ(FileRead(handle, buffer, sizeof buffer, &read), FILE_FAILED) << "opened for writing only";
    EXPECT_EQ(read, 999u);
    EXPECT_EQ(FileClose(handle), FILE_OK);

    ASSERT_EQ(FileOpen((dir / "f").c_str(), FILE_READ, &handle, &size), FILE_OK);
    EXPECT_EQ(FileWrite(handle, "x", 1), FILE_FAILED) << "opened for reading only";
    EXPECT_EQ(FileRead(handle, buffer, 60, &read), FILE_OK);
    EXPECT_EQ(read, 60u);
    EXPECT_EQ(FileRead(handle, buffer, 1024, &read), FILE_SHORT);
    EXPECT_EQ(read, 40u);
    EXPECT_EQ(FileRead(handle, buffer, 1024, &read), FILE_SHORT);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(FileRead(handle, buffer, 0, &read), FILE_OK) << "nothing asked, nothing short";
    EXPECT_EQ(FileClose(handle), FILE_OK);
    EXPECT_EQ(FileClose(handle), FILE_FAILED) << "a closed handle";
    EXPECT_EQ(FileClose(0), FILE_FAILED) << "handle 0 is none";
}

TEST_F(FilesTest, Seek) {
    WriteFile(dir / "f", std::string(300, 'z'));
    uint32_t handle, size, at = 5;
    ASSERT_EQ(FileOpen((dir / "f").c_str(), FILE_READ, &handle, &size), FILE_OK);
    struct Case { int32_t offset; uint32_t origin; int8_t result; uint32_t at; };
    const Case cases[] = {
        {100, 0, FILE_OK, 100}, {50, 1, FILE_OK, 150}, {-10, 2, FILE_OK, 290},
        {-1000, 1, FILE_FAILED, 290}, {0, 3, FILE_FAILED, 290}, {0, 0, FILE_OK, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FileSeek(handle, c.offset, c.origin, &at), c.result) << c.offset << " " << c.origin;
        EXPECT_EQ(at, c.at) << c.offset << " " << c.origin;
    }
    FileClose(handle);
}

TEST_F(FilesTest, MoveNeverReplacesCopyDoes) {
    WriteFile(dir / "a", "AAA");
    WriteFile(dir / "b", "BBB");
    EXPECT_EQ(FileMove((dir / "a").c_str(), (dir / "b").c_str()), FILE_FAILED);
    EXPECT_EQ(ReadFile(dir / "a"), "AAA");
    EXPECT_EQ(ReadFile(dir / "b"), "BBB");
    EXPECT_EQ(FileMove((dir / "a").c_str(), (dir / "c").c_str()), FILE_OK);
    EXPECT_FALSE(PathExists(dir / "a"));
    EXPECT_EQ(ReadFile(dir / "c"), "AAA");

    EXPECT_EQ(FileCopy((dir / "c").c_str(), (dir / "b").c_str()), FILE_OK);
    EXPECT_EQ(ReadFile(dir / "b"), "AAA");
    std::string big(10000, 'q');
    big[9999] = 'e';
    WriteFile(dir / "big", big);
    EXPECT_EQ(FileCopy((dir / "big").c_str(), (dir / "b").c_str()), FILE_OK);
    EXPECT_EQ(ReadFile(dir / "b"), big);
    EXPECT_EQ(FileCopy((dir / "big").c_str(), (dir / "big").c_str()), FILE_FAILED);
    EXPECT_EQ(ReadFile(dir / "big"), big) << "a copy onto itself must not empty the file";
    EXPECT_EQ(FileCopy((dir / "none").c_str(), (dir / "x").c_str()), FILE_FAILED);

    EXPECT_EQ(FileReplace((dir / "c").c_str(), (dir / "b").c_str()), FILE_OK);
    EXPECT_EQ(ReadFile(dir / "b"), "AAA");
    EXPECT_EQ(FileDelete((dir / "b").c_str()), FILE_OK);
    EXPECT_EQ(FileDelete((dir / "b").c_str()), FILE_FAILED);
}

TEST_F(FilesTest, Folders) {
    std::string sub = dir / "sub";
    EXPECT_EQ(DirCreate(sub.c_str()), FILE_OK);
    EXPECT_EQ(DirCreate(sub.c_str()), FILE_FAILED);
    WriteFile(sub + "/f", "x");
    EXPECT_EQ(DirRemove(sub.c_str()), FILE_FAILED) << "not empty";
    EXPECT_EQ(DirSync((sub + "/f").c_str()), FILE_OK);
    EXPECT_EQ(DirSync("/tabrix-no-such-file"), FILE_OK) << "the root folder";
    EXPECT_EQ(DirSync("relative-name"), FILE_OK) << "the working folder";
    EXPECT_EQ(DirSync((dir / "none/f").c_str()), FILE_FAILED);
    FileDelete((sub + "/f").c_str());
    EXPECT_EQ(DirRemove(sub.c_str()), FILE_OK);
}

TEST_F(FilesTest, OwnerCopyExistsAndAccess) {
    WriteFile(dir / "old", "x");
    ASSERT_EQ(chmod((dir / "old").c_str(), 0640), 0);
    uint32_t handle, size;
    ASSERT_EQ(FileOpen((dir / "new").c_str(), FILE_WRITE | FILE_CREATE, &handle, &size), FILE_OK);
    EXPECT_EQ(FileOwnerCopy((dir / "old").c_str(), handle), FILE_OK);
    EXPECT_EQ(FileModeOf(dir / "new"), 0640u);
    mode_t before = FileModeOf(dir / "new");
    EXPECT_EQ(FileOwnerCopy((dir / "none").c_str(), handle), FILE_OK) << "nothing to keep";
    EXPECT_EQ(FileModeOf(dir / "new"), before);
    FileClose(handle);

    EXPECT_TRUE(FileExists((dir / "old").c_str()));
    EXPECT_TRUE(FileExists(dir.root().c_str()));
    EXPECT_FALSE(FileExists((dir / "none").c_str()));
    EXPECT_EQ(FileAccess((dir / "old").c_str(), FILE_READ | FILE_WRITE), FILE_OK);
    EXPECT_EQ(FileAccess(dir.root().c_str(), FILE_READ), FILE_FAILED) << "a folder";
    EXPECT_EQ(FileAccess((dir / "none").c_str(), FILE_READ), FILE_FAILED);

    // Permissions bind only an unprivileged user.
    ASSERT_EQ(chmod(dir.root().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "old").c_str(), 0444), 0);
    std::string old = dir / "old";
    EXPECT_EQ(RunUnprivileged([&] {
                  return FileAccess(old.c_str(), FILE_READ) == FILE_OK &&
                         FileAccess(old.c_str(), FILE_WRITE) == FILE_FAILED;
              }),
              1);
}

TEST_F(FilesTest, FaultHookFailsTheChosenCall) {
    WriteFile(dir / "f", "abc");
    uint32_t handle, size;
    {
        FaultScope fault(FILE_OP_OPEN, 2);
        EXPECT_EQ(FileOpen((dir / "f").c_str(), FILE_READ, &handle, &size), FILE_OK);
        FileClose(handle);
        EXPECT_EQ(FileOpen((dir / "f").c_str(), FILE_READ, &handle, &size), FILE_FAILED);
        EXPECT_EQ(FileOpen((dir / "f").c_str(), FILE_READ, &handle, &size), FILE_OK);
        FileClose(handle);
    }
    // A failing close still gives its descriptor back.
    int open = OpenDescriptors();
    ASSERT_EQ(FileOpen((dir / "f").c_str(), FILE_READ, &handle, &size), FILE_OK);
    {
        FaultScope fault(FILE_OP_CLOSE, 1);
        EXPECT_EQ(FileClose(handle), FILE_FAILED);
    }
    EXPECT_EQ(OpenDescriptors(), open);
    {
        FaultScope fault(FILE_OP_REPLACE, 1);
        WriteFile(dir / "g", "g");
        EXPECT_EQ(FileReplace((dir / "g").c_str(), (dir / "f").c_str()), FILE_FAILED);
        EXPECT_EQ(ReadFile(dir / "f"), "abc") << "a failed operation does nothing";
    }
}

}  // namespace
