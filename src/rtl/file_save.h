// The one road by which a finished file reaches its name: the window's saves and the command
// line's outputs all go through it, whatever writes the bytes.
#pragma once

#include <memory>
#include <string>

#include "rtl/stream.h"

// Saving `target` without ever losing the file that is there. A regular target gets a temporary
// file beside it, and only Commit puts the written bytes under the target's name; a save that is
// destroyed without a Commit (a failure while writing, an exception, an early return) removes its
// temporary file and leaves the target exactly as it was.
//
// The save owns the stream it hands out; the stream lives as long as the save and must not be
// used after Commit.
class TFileSave {
 public:
  // Prepares to write `target` (UTF-8). Fails with EFCreateError "ファイル %s を作成できません"
  // when the target cannot be written.
  explicit TFileSave(const std::string& target);
  TFileSave(const TFileSave&) = delete;
  TFileSave& operator=(const TFileSave&) = delete;
  ~TFileSave();

  // Where the bytes go. A failed write raises EWriteError through the stream's WriteBuffer.
  TStream& Stream();
  // Makes the written bytes the target's content in one step. Fails with EFCreateError with
  // the target's name; the target is then unchanged.
  void Commit();

  const std::string& Target() const { return Target_; }

 private:
  class TState;
  std::string Target_;
  std::unique_ptr<TState> State_;
};
