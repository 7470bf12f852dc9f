#include "rtl/file_save.h"

#include <optional>

#include "platform/file.h"
#include "rtl/exception.h"
#include "rtl/file_stream.h"
#include "rtl/messages.h"

namespace {

// A name for the temporary file beside `target` that no other process uses.
std::string TemporaryNameBeside(const std::string& target) {
  for (unsigned attempt = 0;; ++attempt) {
    std::string name = target + ".~" + std::to_string(platform::ProcessId()) + "-" +
                       std::to_string(attempt) + ".tmp";
    if (!platform::PathExists(name)) return name;
  }
}

// Whether the file that a save would replace may be replaced: it does not exist, or it can be
// opened for writing by this program alone (so not while another program holds it open, nor
// when it is read-only or a folder). It is opened without being changed.
bool TargetWritable(const std::string& fileName) {
  if (!platform::PathExists(fileName)) return true;
  return platform::File::Open(fileName, platform::TFileAccess::faReadWrite,
                              platform::TFileShare::fsNone,
                              platform::TFileDisposition::fdOpenExisting)
      .IsOpen();
}

EFCreateError CannotCreate(const std::string& fileName) {
  return EFCreateError(rtl_messages::SFCreateError, {fileName});
}

}  // namespace

// The temporary file and its stream; the file is removed unless the save was committed.
class TFileSave::TState {
 public:
  explicit TState(const std::string& target) : Name(TemporaryNameBeside(target)) {
    try {
      File.emplace(Name, fmCreate);
    } catch (const EFCreateError&) {
      throw CannotCreate(target);
    }
  }
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() {
    File.reset();
    if (!Committed) platform::RemoveFile(Name);
  }

  std::string Name;
  std::optional<TFileStream> File;
  bool Committed = false;
};

TFileSave::TFileSave(const std::string& target) : Target_(target) {
  if (!TargetWritable(target)) throw CannotCreate(target);
  State_ = std::make_unique<TState>(target);
}

TFileSave::~TFileSave() = default;

TStream& TFileSave::Stream() { return *State_->File; }

void TFileSave::Commit() {
  State_->File.reset();
  if (!platform::ReplaceFileAtomically(State_->Name, Target_)) throw CannotCreate(Target_);
  State_->Committed = true;
}
