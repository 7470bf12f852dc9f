// A stream over an open file. The file is closed when the stream is destroyed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"
#include "rtl/stream.h"

// Open modes, as the class library spells them: one access value, optionally or'ed with one
// share value; fmCreate alone creates (or truncates) the file for reading and writing, shared
// with nobody.
inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
inline constexpr unsigned fmShareExclusive = 0x0010;
inline constexpr unsigned fmShareDenyWrite = 0x0020;
inline constexpr unsigned fmShareDenyNone = 0x0040;
inline constexpr unsigned fmCreate = 0xFF00;

class TFileStream : public TStream {
 public:
  TS_CLASS_NAME(TFileStream)

  // Opens or creates `fileName` (UTF-8). Fails with EFOpenError "ファイル %s は開けません" or,
  // for fmCreate, EFCreateError "ファイル %s を作成できません", with the file name.
  TFileStream(const std::string& fileName, unsigned mode);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

  const std::string& FileName() const { return FileName_; }
  // The open file underneath, for services that work on the file itself (a read-only mapping).
  // Owned by the stream.
  const platform::File& OpenFile() const { return File_; }

 private:
  platform::File File_;
  std::string FileName_;
};
