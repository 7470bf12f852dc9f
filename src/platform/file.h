// One open file, owned: closed by the destructor on every path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class TFileAccess { faRead, faWrite, faReadWrite };
// Whom else the file is shared with while it is open.
enum class TFileShare { fsNone, fsRead, fsReadWrite };
// How the file is found or made: it must exist, or it is always created anew (truncated).
enum class TFileDisposition { fdOpenExisting, fdCreateAlways };
// What a name or an open file stands for. fkOther is everything that is neither a regular file
// nor a folder: a device (NUL, COM1, /dev/null), a FIFO, a pipe, a console, a socket.
enum class TFileKind { fkMissing, fkRegular, fkDirectory, fkOther };
// The two standard streams that a program's data may come from or go to.
enum class TStandardStream { ssInput, ssOutput };

// Which file a name reaches, whatever its spelling: device and inode, or on Windows volume
// serial number and file index.
struct TFileIdentity {
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// Who owns a file: its user and group ids (POSIX only; on Windows the owner travels with the
// access rights).
struct TFileOwner {
  std::uint32_t User = 0;
  std::uint32_t Group = 0;
  bool operator==(const TFileOwner&) const = default;
};

class FileMapping;

class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Opens `path` (UTF-8). On failure the result is not open and the system's error code is left
  // as the last error.
  static File Open(const std::string& path, TFileAccess access, TFileShare share,
                   TFileDisposition disposition);
  // Creates `path` for reading and writing, shared with nobody; fails when anything is there
  // already, so that no other file is ever truncated by it. `permissions`: the POSIX mode
  // (& 0777) it is made with, less the process's umask; ignored on Windows, where a new file
  // takes its folder's access rights.
  static File CreateNew(const std::string& path, unsigned permissions);
  // A new regular file in `folder` that has no name until LinkAs gives it one, so that nothing
  // is left behind when the process dies first (Linux O_TMPFILE). Not open where the system
  // or the folder's file system has no such files (always on Windows). `permissions` as for
  // CreateNew.
  static File CreateUnnamedIn(const std::string& folder, unsigned permissions);
  // A handle of its own on a standard stream of the process, so that closing it leaves the
  // process's stream open. Reads and writes pass the bytes unchanged (no text translation).
  static File Standard(TStandardStream stream);

  bool IsOpen() const;
  // Each transfers what it can and returns the count, or -1 on failure.
  std::int64_t Read(void* buffer, std::int64_t count);
  std::int64_t Write(const void* buffer, std::int64_t count);
  // Moves the file pointer (origin 0 start, 1 current, 2 end); returns the new position or -1.
  std::int64_t Seek(std::int64_t offset, int origin);
  // Cuts or extends the file at the current position; false on failure.
  bool Truncate();
  // What the open file is; fkMissing when the system cannot tell.
  TFileKind Kind() const;
  // The size of an open regular file in bytes; -1 on failure.
  std::int64_t Size() const;
  // Sets the permission bits: POSIX mode & 07777; on Windows the file attributes that a
  // replaced file passes on (hidden, system, archive, not indexed). Replacing on Windows keeps
  // the access rights itself, but not every system keeps the attributes, so they are set here.
  bool SetPermissionBits(unsigned bits);
  // Brings the written bytes to the storage device before the file is named or renamed.
  bool Flush();
  // Gives a file made by CreateUnnamedIn the name `path`; fails when `path` exists.
  bool LinkAs(const std::string& path);
  // Whether LinkAs can reach this file at all: it does so through /proc, which a chroot, a
  // sandbox or a container may lack. Always false on Windows.
  bool CanLink() const;
  // The open file's owner; none on failure and always on Windows.
  std::optional<TFileOwner> Owner() const;
  // Gives the file to `owner`; false where the system does not allow it (only a privileged
  // process may give a file away) and always on Windows.
  bool SetOwner(const TFileOwner& owner);
  void Close();

 private:
  // A mapping is made of the open file itself, not of a second opening by name.
  friend class FileMapping;

#ifdef _WIN32
  void* Handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
  int Fd_ = -1;
#endif
};

// Replaces `target` by `source` in one step (both in one folder); false on failure. On
// Windows an existing target keeps its attributes and access rights (ReplaceFileW).
bool ReplaceFileAtomically(const std::string& source, const std::string& target);
// What `path` names, symbolic links followed. On Windows a reserved device name (NUL, CON, AUX,
// PRN, COM1 to COM9, LPT1 to LPT9, with any extension, in any folder) is fkOther, as the system
// resolves it.
TFileKind FileKindOf(const std::string& path);
// The file that `path` reaches (symbolic links followed); none when it does not exist.
std::optional<TFileIdentity> FileIdentityOf(const std::string& path);
// The text of the symbolic link `path`; none when `path` is no symbolic link.
std::optional<std::string> SymbolicLinkText(const std::string& path);
// The permission bits of the file at `path` (POSIX mode & 07777; the Windows file attributes,
// as SetPermissionBits takes them); none on failure.
std::optional<unsigned> PermissionBits(const std::string& path);
// Deletes a file; false on failure.
bool RemoveFile(const std::string& path);
// Whether a file or folder exists at `path`.
bool PathExists(const std::string& path);
// The process id, for names that must not clash between processes.
unsigned long ProcessId();

}  // namespace platform
