#include "rtl/file_stream.h"

#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

platform::TFileAccess AccessOf(unsigned mode) {
  switch (mode & 0x3) {
    case fmOpenWrite: return platform::TFileAccess::faWrite;
    case fmOpenReadWrite: return platform::TFileAccess::faReadWrite;
    default: return platform::TFileAccess::faRead;
  }
}

platform::TFileShare ShareOf(unsigned mode) {
  switch (mode & 0xF0) {
    case fmShareExclusive: return platform::TFileShare::fsNone;
    case fmShareDenyWrite: return platform::TFileShare::fsRead;
    default: return platform::TFileShare::fsReadWrite;
  }
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : FileName_(fileName) {
  if (mode == fmCreate) {
    File_ = platform::File::Open(fileName, platform::TFileAccess::faReadWrite,
                                 platform::TFileShare::fsNone,
                                 platform::TFileDisposition::fdCreateAlways);
    if (!File_.IsOpen()) throw EFCreateError(rtl_messages::SFCreateError, {fileName});
  } else {
    File_ = platform::File::Open(fileName, AccessOf(mode), ShareOf(mode),
                                 platform::TFileDisposition::fdOpenExisting);
    if (!File_.IsOpen()) throw EFOpenError(rtl_messages::SFOpenError, {fileName});
  }
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = File_.Read(buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = File_.Write(buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int how = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning: how = 0; break;
    case TSeekOrigin::soCurrent: how = 1; break;
    case TSeekOrigin::soEnd: how = 2; break;
  }
  return File_.Seek(offset, how);
}

void TFileStream::SetSize(std::int64_t size) {
  const std::int64_t here = Position();
  SetPosition(size);
  if (!File_.Truncate()) throw EStreamError(rtl_messages::SWriteError);
  if (here < size) SetPosition(here);
}
