// The save road: every kind of target gets the bytes and stays the kind of thing it was; a save
// that fails or is given up leaves the old file's bytes and nothing beside it.
#include "rtl/file_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "platform/error.h"

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<char>;

// UTF-8 names both ways, as the program keeps them.
fs::path FsPath(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}
std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

class FileSave : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir_ =
        fs::temp_directory_path() /
        ("ts_save_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(Dir_);
    fs::create_directories(Dir_);
  }
  void TearDown() override { fs::remove_all(Dir_); }
  std::string Path(const std::string& leaf) const { return Utf8(Dir_ / FsPath(leaf)); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Dir_))
      names.push_back(Utf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }
  static TBytes Read(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const std::string& path, const TBytes& bytes) {
    std::ofstream(FsPath(path), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static void Save(const std::string& target, const TBytes& bytes) {
    TFileSave save(target);
    save.Stream().WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    save.Commit();
  }

  fs::path Dir_;
  const TBytes New_ = TBytes(3000, 'n');
  const TBytes Old_ = TBytes(77, 'o');
};

TEST_F(FileSave, ARegularFileIsReplacedWholeAndKeepsItsRights) {
  // 80 kanji and ".bmp": 244 bytes, as long as a name may be; the new file's own name is short.
  std::string longName;
  for (int i = 0; i < 80; ++i) longName += "漢";
  longName += ".bmp";
  for (const std::string& name : {std::string("t.bmp"), longName}) {
    Write(Path(name), Old_);
#ifdef _WIN32
    ASSERT_TRUE(::SetFileAttributesW(FsPath(Path(name)).c_str(), FILE_ATTRIBUTE_HIDDEN));
#else
    fs::permissions(Path(name),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    Save(Path(name), New_);
    EXPECT_EQ(Read(Path(name)), New_) << name;
    EXPECT_EQ(Names(), std::vector<std::string>{name});
#ifdef _WIN32
    EXPECT_EQ(::GetFileAttributesW(FsPath(Path(name)).c_str()) & FILE_ATTRIBUTE_HIDDEN,
              DWORD{FILE_ATTRIBUTE_HIDDEN})
        << name;
#else
    EXPECT_EQ(fs::status(Path(name)).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << name;
#endif
    fs::remove(Path(name));
  }
}

TEST_F(FileSave, AGivenUpOrFailedSaveLeavesTheOldFileAndNothingElse) {
  const std::string target = Path("kept.bmp");
  Write(target, Old_);
  {
    TFileSave save(target);
    save.Stream().WriteBuffer(New_.data(), 100);
#ifdef __linux__
    EXPECT_EQ(Names(), std::vector<std::string>{"kept.bmp"}) << "an unnamed file, until Commit";
#endif
  }
  EXPECT_EQ(Read(target), Old_);
  fs::create_directory(Path("folder"));
  for (const char* name : {"folder", "missing/x.bmp"}) {
    try {
      Save(Path(name), New_);
      ADD_FAILURE() << name << " was saved";
    } catch (const ESaveCreateError& e) {
      EXPECT_EQ(e.Message(), "ファイル " + Path(name) + " を作成できません");
      EXPECT_FALSE(e.Reason().empty()) << name;
    }
  }
  EXPECT_EQ(Read(target), Old_);
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "kept.bmp"}));
}

// Devices, FIFOs and links: written where they lead, never turned into a plain file.
TEST_F(FileSave, ATargetThatIsNoRegularFileIsWrittenDirectly) {
#ifdef _WIN32
  for (const std::string& name :
       {std::string("NUL"), Path("nul.bmp"), Path("com1.bmp"), Path("Aux.txt")}) {
    Save(name, New_);
  }
  EXPECT_EQ(Names(), std::vector<std::string>{});
#else
  Save("/dev/null", New_);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  fs::create_directory(Path("real"));
  Write(Path("real/x.bmp"), Old_);
  fs::create_symlink("real/x.bmp", Path("link.bmp"));
  Save(Path("link.bmp"), New_);
  EXPECT_TRUE(fs::is_symlink(Path("link.bmp")));
  EXPECT_EQ(Read(Path("real/x.bmp")), New_);
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.bmp", "real"}));

  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  TBytes received;
  std::thread reader([&] { received = Read(Path("fifo")); });
  Save(Path("fifo"), New_);
  reader.join();
  EXPECT_EQ(received, New_);
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));

  try {
    Save("/dev/full", New_);
    ADD_FAILURE() << "a full device took the bytes";
  } catch (const ESaveWriteError& e) {
    EXPECT_EQ(e.Message(), "ストリームへの書き込みエラー");
    EXPECT_EQ(e.FileName(), "/dev/full");
    EXPECT_EQ(e.Reason(), platform::SystemErrorMessage(ENOSPC));
  }
#endif
}

}  // namespace
