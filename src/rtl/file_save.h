// The one road by which a finished file reaches its name: the window's saves and the command
// line's outputs all go through it, whatever writes the bytes.
#pragma once

#include <memory>
#include <string>

#include "rtl/exception.h"
#include "rtl/stream.h"

// What a failed save adds to its message for callers that show more than the message (the
// command line): the file concerned and the system's reason, as the system words it.
class TSaveFailure {
 public:
  TSaveFailure(std::string fileName, std::string reason)
      : FileName_(std::move(fileName)), Reason_(std::move(reason)) {}
  virtual ~TSaveFailure() = default;
  const std::string& FileName() const { return FileName_; }
  // Empty when the system gave no reason.
  const std::string& Reason() const { return Reason_; }

 private:
  std::string FileName_;
  std::string Reason_;
};

// A save that could not begin or end: the message is EFCreateError's own, with the target's name.
class ESaveCreateError : public EFCreateError, public TSaveFailure {
 public:
  ESaveCreateError(const std::string& fileName, std::string reason);
  const char* ClassName() const noexcept override { return "EFCreateError"; }
};

// A write that failed: the message is EWriteError's own "ストリームへの書き込みエラー".
class ESaveWriteError : public EWriteError, public TSaveFailure {
 public:
  ESaveWriteError(const std::string& fileName, std::string reason);
  const char* ClassName() const noexcept override { return "EWriteError"; }
};

// Saving `target` without ever losing the file that is there.
//
// A regular target (symbolic links followed to the file they name) gets a new file in its
// folder: unnamed until Commit where the system allows it (Linux with /proc), else under a short
// name of its own ("~ts" and eight hex digits), so that a name as long as the system allows still
// saves. Until Commit a file that will replace another is readable by its maker only. Commit
// replaces the target by it in one step, with the target's permission bits and, where the system
// allows, its owner and group (on Windows its attributes and access rights); set-id bits only
// when owner and group are both kept. A save destroyed without a Commit (a failure while
// writing, an exception, an early return) removes its new file and leaves the target exactly as
// it was. Symbolic links that never end (a loop) fail at once with the system's reason.
//
// A target that is no regular file (a device such as NUL or /dev/null, a FIFO, a console) is
// opened as it is and written directly, in one pass: there is nothing to replace, and a
// temporary file beside it would turn it into a plain file.
//
// The save owns the stream it hands out; the stream lives as long as the save and must not be
// used after Commit.
class TFileSave {
 public:
  // Names the process's standard output as the target (the command line's "-").
  struct TStandardOutput {};

  // Prepares to write `target` (UTF-8). Fails with ESaveCreateError (an EFCreateError,
  // "ファイル %s を作成できません") when the target cannot be written: a folder, a file
  // held open by another program, a folder that does not exist or may not be written, a loop
  // of symbolic links.
  explicit TFileSave(const std::string& target);
  // Writes the process's standard output directly; Target() is "-".
  explicit TFileSave(TStandardOutput);
  TFileSave(const TFileSave&) = delete;
  TFileSave& operator=(const TFileSave&) = delete;
  ~TFileSave();

  // Where the bytes go. A failed write raises ESaveWriteError (an EWriteError) with the
  // system's reason, through the stream's Write and so through WriteBuffer.
  TStream& Stream();
  // Makes the written bytes the target's content in one step. Fails with ESaveCreateError with
  // the target's name; the target is then unchanged.
  void Commit();

  const std::string& Target() const { return Target_; }

 private:
  class TState;
  std::string Target_;
  std::unique_ptr<TState> State_;
};
