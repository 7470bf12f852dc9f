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
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
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
  const fs::path workingFolder = fs::current_path();
  fs::current_path(Dir_);
  // A name without a folder, as a command line gives it, is read in the working folder.
  for (const std::string& name : {std::string("t.bmp"), std::string("bare"), longName}) {
    const std::string given = name == "bare" ? name : Path(name);
    Write(Path(name), Old_);
#ifdef _WIN32
    ASSERT_TRUE(::SetFileAttributesW(FsPath(Path(name)).c_str(), FILE_ATTRIBUTE_HIDDEN));
#else
    fs::permissions(Path(name),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    Save(given, New_);
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
  fs::current_path(workingFolder);
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

  // Links that never end are refused with the system's reason, and stay links.
  fs::create_symlink("loop_b", Path("loop_a"));
  fs::create_symlink("loop_a", Path("loop_b"));
  fs::create_symlink("self", Path("self"));
  for (const char* name : {"loop_a", "self"}) {
    try {
      Save(Path(name), New_);
      ADD_FAILURE() << name << " was saved";
    } catch (const ESaveCreateError& e) {
      EXPECT_EQ(e.Reason(), platform::SystemErrorMessage(ELOOP)) << name;
    }
    EXPECT_TRUE(fs::is_symlink(Path(name))) << name;
  }

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

#ifndef _WIN32
// Saved as root (installers, cron jobs, containers), another user's file stays that user's;
// set-id bits stay only with the owner they were set for; the file being written is never
// readable by more people than the target, also without /proc, where it has a name.
TEST_F(FileSave, AnotherUsersFileKeepsItsOwnerAndSetIdBitsOnlyWithIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  struct TCase {
    const char* Name;
    unsigned Mode, User, Group;
    unsigned Saver;    // the saving user, also as its group; 0 root (only root gives files away)
    bool WithoutProc;  // saved shut in the test's folder (chroot), where there is no /proc
    unsigned WantMode;
  };
  const TCase cases[] = {
      {"private to another user", 0600, 1234, 1235, 0, false, 0600},
      {"set-user-id", 04755, 1234, 1234, 0, false, 04755},
      {"set-group-id", 02775, 1234, 1235, 0, false, 02775},
      {"private, without /proc", 0600, 1234, 1235, 0, true, 0600},
      {"set-user-id, without /proc", 04750, 1234, 1235, 0, true, 04750},
      {"set-id, by a user who may not keep the owner", 06777, 1234, 1234, 1236, false, 0777},
  };
  fs::permissions(Dir_, fs::perms::all);  // so that the other user may replace a file in it
  const std::string target = Path("t.bmp");
  for (const TCase& c : cases) {
    Write(target, Old_);
    ASSERT_EQ(::chown(target.c_str(), c.User, c.Group) | ::chmod(target.c_str(), c.Mode), 0);
    if (const pid_t child = ::fork(); child == 0) {
      // Exit status: 0 saved, 1 could not become the saver, 2 the save failed, 3 the file being
      // written was readable by more people than the target, 4 it had a name with /proc or
      // none without.
      if ((c.WithoutProc ? ::chroot(Dir_.c_str()) | ::chdir("/") : ::chdir(Dir_.c_str())) != 0 ||
          (c.Saver != 0 && (::setgroups(0, nullptr) | ::setgid(c.Saver) | ::setuid(c.Saver)))) {
        ::_exit(1);
      }
      try {
        TFileSave save("t.bmp");
        save.Stream().WriteBuffer(New_.data(), static_cast<std::int64_t>(New_.size()));
        bool named = false;
        for (const auto& entry : fs::directory_iterator(".")) {
          if (entry.path().filename() == "t.bmp") continue;
          named = true;
          if ((static_cast<unsigned>(entry.status().permissions()) & ~c.Mode) != 0) ::_exit(3);
        }
        save.Commit();
        ::_exit(named == c.WithoutProc ? 0 : 4);
      } catch (const std::exception&) {
        ::_exit(2);
      }
    } else {
      int status = -1;
      ::waitpid(child, &status, 0);
      ASSERT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << c.Name;
    }
    // A user who may not give the file away keeps it, as user and as group.
    const unsigned user = c.Saver == 0 ? c.User : c.Saver;
    const unsigned group = c.Saver == 0 ? c.Group : c.Saver;
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ((std::array{info.st_mode & 07777, info.st_uid, info.st_gid}),
              (std::array{c.WantMode, user, group}))
        << c.Name << ": mode, owner and group";
    EXPECT_EQ(Read(target), New_) << c.Name;
    EXPECT_EQ(Names(), std::vector<std::string>{"t.bmp"}) << c.Name;
  }
}
#endif

}  // namespace
