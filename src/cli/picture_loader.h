// How tintsight-cli turns a file into a picture. The batch asks a loader for each input; this
// first loader reads BMP files itself. A loader that also offers files to Susie plug-ins (a
// plug-in-backed bitmap with its plug-in collection) takes its place without changing the batch.
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

  // A new picture read from `fileName`; the caller owns it. Fails with the reader's exception
  // (EFOpenError when the file cannot be opened, EInvalidGraphic, EReadError, ...).
  virtual std::unique_ptr<TBitmap> Load(const std::string& fileName) const;
};
