#include "rtl/file_save.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>

#include "platform/error.h"
#include "platform/file.h"
#include "rtl/file_name.h"
#include "rtl/messages.h"

namespace {

// Links that lead to links are followed this far, as the system itself follows them.
constexpr int kMaxLinkSteps = 40;
// Names taken by other saves are passed over this many times before the save gives up.
constexpr int kNameAttempts = 64;
// What a file saved under a new name is made with (less the umask), as any new file.
constexpr unsigned kNewFileBits = 0666;
// A file that will replace another is readable by its maker only until Commit gives it the
// target's bits: the target may be readable by fewer people than a new file would be.
constexpr unsigned kOwnerOnlyBits = 0600;
// Set-user-id and set-group-id: they lend the owner's rights to whoever runs the file.
constexpr unsigned kSetIdBits = 06000;

std::string LastReason() { return platform::SystemErrorMessage(platform::LastErrorCode()); }

// The file that `target` finally names: each symbolic link is replaced by its text, read in the
// link's folder when relative. A save replaces that file, so the links keep leading to it.
// Links that never end (a loop) fail with the system's own reason, before anything is written:
// replacing the link by a file would hide the mistake.
std::string RealTarget(const std::string& target) {
  std::string path = target;
  for (int step = 0;; ++step) {
    const std::optional<std::string> text = platform::SymbolicLinkText(path);
    if (!text) return path;
    if (step == kMaxLinkSteps) {
      // The system gives up on the same name, and says why ("too many levels of links").
      platform::FileKindOf(path);
      throw ESaveCreateError(target, LastReason());
    }
    path = text->starts_with('/') ? *text : ExtractFilePath(path) + *text;
  }
}

// Gives the new file what the replaced one had: its owner and group where the system allows
// (a privileged process may give a file away, others mostly may not), then its permission bits.
// Set-id bits only while owner and group are both the target's: on a file that changed hands
// they would lend the new owner's rights. The owner comes first, as changing it clears them.
bool TakeOverRights(platform::File& file, unsigned bits,
                    const std::optional<platform::TFileOwner>& owner) {
  if (owner && file.Owner() != owner) {
    // A refusal is no failure of the save: the file then stays its maker's, as editors leave it.
    file.SetOwner(*owner);
    if (file.Owner() != owner) bits &= ~kSetIdBits;
  }
  return file.SetPermissionBits(bits);
}

// A short name in `folder` that owes nothing to the target's name: 15 characters whatever the
// target's length, so a target as long as the system allows still has room beside it. The
// digits mix the process, a counter and the clock, so that two saves rarely try the same one.
std::string CandidateName(const std::string& folder, int attempt) {
  static std::atomic<unsigned> counter{0};
  const auto clock = static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count() / 1000);
  const unsigned mixed = (static_cast<unsigned>(platform::ProcessId()) * 2654435761u) ^
                         (counter.fetch_add(1) * 40503u) ^ clock ^
                         static_cast<unsigned>(attempt) << 24;
  char name[16];
  std::snprintf(name, sizeof name, "~ts%08x.tmp", mixed);
  return folder + name;
}

}  // namespace

ESaveCreateError::ESaveCreateError(const std::string& fileName, std::string reason)
    : EFCreateError(rtl_messages::SFCreateError, {fileName}),
      TSaveFailure(fileName, std::move(reason)) {}

ESaveWriteError::ESaveWriteError(const std::string& fileName, std::string reason)
    : EWriteError(std::string(rtl_messages::SWriteError)),
      TSaveFailure(fileName, std::move(reason)) {}

// The file being written, seen as a stream. A failed write raises at once with the system's
// reason, while the system still holds it.
class TSaveStream : public TStream {
 public:
  TSaveStream(platform::File& file, const std::string& target) : File_(file), Target_(target) {}

  std::int64_t Read(void* buffer, std::int64_t count) override {
    if (count <= 0) return 0;
    const std::int64_t n = File_.Read(buffer, count);
    return n < 0 ? 0 : n;
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (count <= 0) return 0;
    const std::int64_t n = File_.Write(buffer, count);
    if (n != count) throw ESaveWriteError(Target_, LastReason());
    Written_ += n;
    return n;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    int how = 0;
    switch (origin) {
      case TSeekOrigin::soBeginning: how = 0; break;
      case TSeekOrigin::soCurrent: how = 1; break;
      case TSeekOrigin::soEnd: how = 2; break;
    }
    const std::int64_t position = File_.Seek(offset, how);
    // A pipe or a device has no position of its own; asking where the writing stands still
    // has an answer.
    if (position < 0 && offset == 0 && origin == TSeekOrigin::soCurrent) return Written_;
    return position;
  }

 private:
  platform::File& File_;
  const std::string& Target_;
  std::int64_t Written_ = 0;
};

// The file being written and how it reaches the target.
class TFileSave::TState {
 public:
  enum class TRoad {
    srDirect,   // the target itself, written in place
    srUnnamed,  // a file without a name, linked beside the target at Commit
    srNamed,    // a file under a short name of its own beside the target
  };

  TState(const std::string& target, std::string real, TRoad road, platform::File file,
         std::string temporary, std::optional<unsigned> permissions,
         std::optional<platform::TFileOwner> owner)
      : Real(std::move(real)),
        Road(road),
        File(std::move(file)),
        Temporary(std::move(temporary)),
        Permissions(permissions),
        Owner(owner),
        Stream(File, target) {}
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() {
    File.Close();
    if (!Committed && !Temporary.empty()) platform::RemoveFile(Temporary);
  }

  // The file that the target names, symbolic links followed.
  std::string Real;
  TRoad Road;
  platform::File File;
  // The name the new file has (srNamed) or was given at Commit (srUnnamed); empty without one.
  std::string Temporary;
  // The replaced file's bits and owner; none for a new name (and the owner none on Windows).
  std::optional<unsigned> Permissions;
  std::optional<platform::TFileOwner> Owner;
  TSaveStream Stream;
  bool Committed = false;
};

TFileSave::TFileSave(const std::string& target) : Target_(target) {
  const std::string real = RealTarget(target);
  const platform::TFileKind kind = platform::FileKindOf(real);
  if (kind == platform::TFileKind::fkOther) {
    platform::File file = platform::File::Open(real, platform::TFileAccess::faWrite,
                                               platform::TFileShare::fsReadWrite,
                                               platform::TFileDisposition::fdOpenExisting);
    if (!file.IsOpen()) throw ESaveCreateError(target, LastReason());
    State_ = std::make_unique<TState>(Target_, real, TState::TRoad::srDirect, std::move(file),
                                      std::string(), std::nullopt, std::nullopt);
    return;
  }
  std::optional<unsigned> permissions;
  std::optional<platform::TFileOwner> owner;
  if (kind != platform::TFileKind::fkMissing) {
    // The file to be replaced must be one that this program alone could write now: not a
    // folder, not read-only, not held open by another program. It is opened without change.
    {
      const platform::File replaced = platform::File::Open(
          real, platform::TFileAccess::faReadWrite, platform::TFileShare::fsNone,
          platform::TFileDisposition::fdOpenExisting);
      if (!replaced.IsOpen()) throw ESaveCreateError(target, LastReason());
      owner = replaced.Owner();
    }
    permissions = platform::PermissionBits(real);
  }
  const unsigned creationBits = permissions ? *permissions & kOwnerOnlyBits : kNewFileBits;
  const std::string folder = ExtractFilePath(real);
  platform::File unnamed =
      platform::File::CreateUnnamedIn(folder.empty() ? "." : folder, creationBits);
  // Without /proc the unnamed file could never be named: the save takes a short name instead,
  // as where the system has no unnamed files.
  if (unnamed.IsOpen() && unnamed.CanLink()) {
    State_ = std::make_unique<TState>(Target_, real, TState::TRoad::srUnnamed, std::move(unnamed),
                                      std::string(), permissions, owner);
    return;
  }
  unnamed.Close();
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = CandidateName(folder, attempt);
    platform::File named = platform::File::CreateNew(name, creationBits);
    if (named.IsOpen()) {
      State_ = std::make_unique<TState>(Target_, real, TState::TRoad::srNamed, std::move(named),
                                        std::move(name), permissions, owner);
      return;
    }
    // Only a name in use is worth another attempt; any other failure would repeat.
    std::string reason = LastReason();
    if (!platform::PathExists(name) || attempt + 1 == kNameAttempts) {
      throw ESaveCreateError(target, std::move(reason));
    }
  }
}

TFileSave::TFileSave(TStandardOutput) : Target_("-") {
  platform::File file = platform::File::Standard(platform::TStandardStream::ssOutput);
  if (!file.IsOpen()) throw ESaveCreateError(Target_, LastReason());
  State_ = std::make_unique<TState>(Target_, Target_, TState::TRoad::srDirect, std::move(file),
                                    std::string(), std::nullopt, std::nullopt);
}

TFileSave::~TFileSave() = default;

TStream& TFileSave::Stream() { return State_->Stream; }

void TFileSave::Commit() {
  TState& state = *State_;
  if (state.Road == TState::TRoad::srDirect) {
    state.File.Close();
    state.Committed = true;
    return;
  }
  // Owner and bits first and the bytes on the disk before the file gets the target's name:
  // after a crash the target holds the old file or the whole new one.
  if ((state.Permissions && !TakeOverRights(state.File, *state.Permissions, state.Owner)) ||
      !state.File.Flush()) {
    throw ESaveCreateError(Target_, LastReason());
  }
  if (state.Road == TState::TRoad::srUnnamed) {
    for (int attempt = 0; state.Temporary.empty(); ++attempt) {
      std::string name = CandidateName(ExtractFilePath(state.Real), attempt);
      if (state.File.LinkAs(name)) {
        state.Temporary = std::move(name);
        break;
      }
      std::string reason = LastReason();
      if (!platform::PathExists(name) || attempt + 1 == kNameAttempts) {
        throw ESaveCreateError(Target_, std::move(reason));
      }
    }
  }
  state.File.Close();
  if (!platform::ReplaceFileAtomically(state.Temporary, state.Real)) {
    throw ESaveCreateError(Target_, LastReason());
  }
  state.Committed = true;
}
