// How tintsight-cli turns a file into a picture: through a plug-in-backed bitmap, so that BMP
// files are read directly and every other format by the import plug-ins of the process's
// plug-in collection (SusiePlugins(), set up by the caller), in the order that the file name's
// extension sets. Without a collection only BMP files are read.
#pragma once

#include <memory>
#include <string>

#include "image/bitmap.h"

class TPictureLoader {
 public:
  TPictureLoader() = default;
  TPictureLoader(const TPictureLoader&) = delete;
  TPictureLoader& operator=(const TPictureLoader&) = delete;
  virtual ~TPictureLoader() = default;

  // A new picture read from `fileName` ("-": standard input, offered without a name); the caller
  // owns it. The bytes are read whole first (ReadInput: refused when empty, longer than any
  // picture, or, before the rest is read, when nothing can read its first bytes:
  // WhyNothingReadsHead). Fails with EFOpenError when the file cannot be opened, EInvalidGraphic
  // "認識できない画像形式です" followed by why (WhyNothingDecodes) when nothing decodes it, or
  // what a plug-in or the BMP reader raised while decoding it.
  virtual std::unique_ptr<TBitmap> Load(const std::string& fileName) const;
};
