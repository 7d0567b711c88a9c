#include "typebyte/type_byte.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "temp_dir.hpp"
#include "typebyte/file_identity.hpp"

namespace {

struct SwitchCase {
  const char* name;
  std::string contents;
  FileKind kind;
  std::string expected;  // the whole file after the switch
};

// Runs the switch as the dialogue does; returns the kind read.
FileKind SwitchFile(const std::string& path) {
  FileHandle read = OpenForReading(path);
  EXPECT_TRUE(read.IsOpen());
  if (!read.IsOpen()) return FileKind::Unknown;
  FileKind kind = ReadFileKind(read).value();
  FileHandle update = kind == FileKind::Unknown ? FileHandle() : OpenForUpdate(path, read);
  read.Close();
  if (!update.IsOpen()) return kind;
  EXPECT_TRUE(TakeTurn(update, kind) && WriteFileKind(update, kind, path));
  EXPECT_TRUE(CloseUpdated(update));
  return kind;
}

class TypeByteSwitch : public testing::TestWithParam<SwitchCase> {};

TEST_P(TypeByteSwitch, ChangesOnlyTheTypeByteOfMastersAndPlugins) {
  TempDir dir;
  const SwitchCase& c = GetParam();
  const std::string path = dir.Write(c.name, c.contents);
  EXPECT_EQ(SwitchFile(path), c.kind);
  EXPECT_EQ(ReadWholeFile(path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypeByteSwitch,
    testing::Values(
        SwitchCase{"master.esm", DataFile(0x01), FileKind::Master, DataFile(0x00)},
        SwitchCase{"plugin.esp", DataFile(0x00), FileKind::Plugin, DataFile(0x01)},
        SwitchCase{"master_named_as_plugin.esp", DataFile(0x01), FileKind::Master, DataFile(0x00)},
        SwitchCase{"nine_bytes.esm", DataFile(0x01, 9), FileKind::Master, DataFile(0x00, 9)},
        SwitchCase{"high_bit.esm", DataFile(0x81), FileKind::Unknown, DataFile(0x81)},
        SwitchCase{"two.esm", DataFile(0x02), FileKind::Unknown, DataFile(0x02)},
        SwitchCase{"all_bits.esm", DataFile(0xFF), FileKind::Unknown, DataFile(0xFF)},
        SwitchCase{"eight_bytes.esm", "ABCDEFGH", FileKind::Unknown, "ABCDEFGH"},
        SwitchCase{"empty.esm", "", FileKind::Unknown, ""}),
    [](const testing::TestParamInfo<SwitchCase>& info) {
      std::string name = info.param.name;
      return name.substr(0, name.find('.'));
    });

TEST(TypeByteSwitchTest, SecondRunRestoresTheFirstValue) {
  TempDir dir;
  const std::string path = dir.Write("mod.esm", DataFile(0x01));
  EXPECT_EQ(SwitchFile(path), FileKind::Master);
  EXPECT_EQ(SwitchFile(path), FileKind::Plugin);
  EXPECT_EQ(ReadWholeFile(path), DataFile(0x01));
  std::filesystem::create_symlink(path, dir.PathOf("link.esm"));
  EXPECT_EQ(SwitchFile(dir.PathOf("link.esm")), FileKind::Master);
}

// Meanwhile a second update stream, in a process of its own as a second
// run's is, waits for the first one's turn, and gives up.
TEST(TypeByteSwitchTest, ByteIsInTheFileBeforeTheStreamIsClosed) {
  TempDir dir;
  const std::string path = dir.Write("mod.esp", DataFile(0x00));
  FileHandle read = OpenForReading(path);
  FileKind kind = ReadFileKind(read).value();
  FileHandle update = OpenForUpdate(path, read);
  FileHandle second = OpenForUpdate(path, read);
  read.Close();
  ASSERT_TRUE(update.IsOpen());
  ASSERT_TRUE(TakeTurn(update, kind) && WriteFileKind(update, kind, path));
  EXPECT_EQ(ReadWholeFile(path), DataFile(0x01));
  const pid_t secondRun = fork();
  if (secondRun == 0) _exit(TakeTurn(second, kind) ? 1 : 0);
  int status = -1;
  ASSERT_EQ(waitpid(secondRun, &status, 0), secondRun);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(CloseUpdated(update));
  EXPECT_TRUE(TakeTurn(second, kind));
  EXPECT_TRUE(CloseUpdated(second));
}

TEST(TypeByteSwitchTest, RefusesWhatIsNotAnExistingRegularFile) {
  TempDir dir;
  const std::string fifo = dir.PathOf("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string real = dir.Write("mod.esm", DataFile(0x01));
  const FileHandle held = OpenForReading(real);
  ASSERT_TRUE(held.IsOpen());
  // A FIFO with no writer would block a plain open for good.
  for (const std::string& path :
       {dir.PathOf("missing.esm"), dir.PathOf(""), fifo, std::string("/dev/null"),
        real + std::string(1, '\0') + "x", std::string()}) {
    EXPECT_FALSE(OpenForReading(path).IsOpen()) << path;
    EXPECT_FALSE(OpenForUpdate(path, held).IsOpen()) << path;
  }
}

// Rewritten in place with another byte or cut short of it, it is the same
// file changed by another program; grown, it is no worse. Put in its
// place, another file of the same kind, which was never looked at.
TEST(TypeByteSwitchTest, FileChangedOrReplacedAfterItWasReadIsNotWritten) {
  TempDir dir;
  const std::string path = dir.PathOf("mod.esm");
  for (const auto& [changed, after] : {std::pair{DataFile(0x07), DataFile(0x07)},
                                       {DataFile(0x01) + "more", DataFile(0x00) + "more"},
                                       {std::string("ABCDEFGH"), std::string("ABCDEFGH")}}) {
    dir.Write("mod.esm", DataFile(0x01));
    const FileHandle read = OpenForReading(path);
    const FileKind kind = ReadFileKind(read).value();
    dir.Write("mod.esm", changed);
    FileHandle update = OpenForUpdate(path, read);
    ASSERT_TRUE(update.IsOpen());
    EXPECT_EQ(WriteFileKind(update, kind, path), changed != after);
    EXPECT_TRUE(CloseUpdated(update));
    EXPECT_EQ(ReadWholeFile(path), after);
    ASSERT_EQ(std::rename(dir.Write("other.esm", DataFile(0x01)).c_str(), path.c_str()), 0);
    EXPECT_FALSE(OpenForUpdate(path, read).IsOpen());
  }
  // Windows' index, whose high half wine leaves zero: an NTFS record used
  // again differs in the high half only, a FAT folder's next entry in the low.
  EXPECT_NE(IdentityFromIndex(7, 0x50000, 0x1A2B3), IdentityFromIndex(7, 0x60000, 0x1A2B3));
  EXPECT_NE(IdentityFromIndex(7, 0, 0x40), IdentityFromIndex(7, 0, 0x60));
  EXPECT_NE(IdentityFromIndex(7, 1, 2), IdentityFromIndex(8, 1, 2));
}

TEST(TypeByteSwitchTest, FileThatVanishedCannotBeOpenedForUpdate) {
  TempDir dir;
  const std::string path = dir.Write("mod.esm", DataFile(0x01));
  const FileHandle read = OpenForReading(path);
  EXPECT_EQ(ReadFileKind(read), FileKind::Master);
  std::remove(path.c_str());
  EXPECT_FALSE(OpenForUpdate(path, read).IsOpen());
}

}  // namespace
