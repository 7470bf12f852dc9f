#include "rtl/stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "rtl/exception.h"
#include "rtl/file_stream.h"

namespace {

std::string TempPath(const std::string& leaf) {
  return (std::filesystem::temp_directory_path() /
          ("ts_stream_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + leaf))
      .string();
}

TEST(MemoryStream, WriteSeekReadRoundTrip) {
  TMemoryStream stream;
  const char text[] = "0123456789";
  stream.WriteBuffer(text, 10);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Position(), 10);
  EXPECT_EQ(std::memcmp(stream.Memory(), text, 10), 0);

  stream.Seek(-4, TSeekOrigin::soEnd);
  char tail[4];
  stream.ReadBuffer(tail, 4);
  EXPECT_EQ(std::string(tail, 4), "6789");
  EXPECT_EQ(stream.Read(tail, 4), 0);  // at the end

  // Writing past the end grows; writing inside overwrites.
  stream.SetPosition(8);
  stream.WriteBuffer("abcd", 4);
  EXPECT_EQ(stream.Size(), 12);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stream.Memory()), 12), "01234567abcd");

  stream.SetSize(3);
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.Position(), 3);  // a position past the new end moves to it
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(MemoryStream, ShortTransfersRaiseTheStreamMessages) {
  TMemoryStream stream;
  stream.WriteBuffer("xy", 2);
  stream.SetPosition(0);
  char buffer[3];
  try {
    stream.ReadBuffer(buffer, 3);
    FAIL() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "ストリームからの読み込みエラー");
  }
  stream.ReadBuffer(buffer, 0);  // nothing asked, nothing fails

  TMemoryViewStream view("abc", 3);
  try {
    view.WriteBuffer("z", 1);
    FAIL() << "no exception";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "ストリームへの書き込みエラー");
  }
  view.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST(MemoryStream, CopyFromWholeAndPart) {
  TMemoryViewStream source("hello world", 11);
  TMemoryStream whole;
  EXPECT_EQ(whole.CopyFrom(source, 0), 11);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(whole.Memory()), 11), "hello world");

  source.SetPosition(6);
  TMemoryStream part;
  part.CopyFrom(source, 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(part.Memory()), 5), "world");
  EXPECT_THROW(part.CopyFrom(source, 1), EReadError);  // the source is exhausted
}

TEST(FileStream, CreateWriteReopenRead) {
  const std::string path = TempPath("roundtrip.bin");
  {
    TFileStream out(path, fmCreate);
    out.WriteBuffer("payload", 7);
    EXPECT_EQ(out.Size(), 7);
  }
  {
    TFileStream in(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(in.Size(), 7);
    TMemoryStream copy;
    copy.LoadFromStream(in);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(copy.Memory()), 7), "payload");
  }
  {
    TFileStream again(path, fmCreate);  // always created anew: truncated
    EXPECT_EQ(again.Size(), 0);
  }
  std::filesystem::remove(path);
}

TEST(FileStream, FailuresNameTheFile) {
  const std::string missing = TempPath("does_not_exist.bmp");
  try {
    TFileStream in(missing, fmOpenRead | fmShareDenyWrite);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + missing + " は開けません");
  }
  const std::string noFolder = TempPath("no_such_folder") + "/x.bmp";
  try {
    TFileStream out(noFolder, fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + noFolder + " を作成できません");
  }
}

TEST(FileStream, CreatedFileIsSharedWithNobody) {
  const std::string path = TempPath("exclusive.bin");
  {
    TFileStream writer(path, fmCreate);
    EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite), EFOpenError);
    EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
  }
  std::filesystem::remove(path);
}

}  // namespace
