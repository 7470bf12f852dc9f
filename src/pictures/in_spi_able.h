// TInSPIAble: gives a picture class that decodes one format itself (its native format) the
// further ability to load any picture that an installed Susie import plug-in decodes.
//
// The picture class embeds one TInSPIAble, hands it three routines (its own loading from a
// named file, its native decoder, and a receiver for decoded pictures) and routes its loading
// through it. For each load this object has the whole picture in memory once (a file mapped
// read-only, not copied), decides by the name's extension whether the native decoder or the
// plug-ins come first, offers the memory to
// the plug-ins of the collection (SusiePlugins()), and passes what one decoded to the receiver.
// Every memory block that a plug-in returns is unlocked and freed before the attempt ends, also
// when the receiver throws.
//
// One load at a time, on the thread that calls it; plug-ins are called synchronously.
#pragma once

#include <cstdint>
#include <string>

#include "pictures/picture_info_rec.h"
#include "rtl/object.h"
#include "spi_abi.h"

class TGraphic;
class TInSPI;
class TCustomMemoryStream;
class TStream;

// The picture class's loading from a named file: opens it and passes the stream to the picture's
// own overridable stream loading (which, in a class that embeds a TInSPIAble, comes back to
// LoadFromStream of this object).
using TLoadFromFileProc = void (*)(TGraphic& graphic, const std::string& fileName);
// The picture class's native decoder, reading from the stream's position; called directly, not
// through the picture's override, so that it does not come back here.
using TLoadFromStreamProc = void (*)(TGraphic& graphic, TStream& stream);

class TInSPIAble : public TObject {
 public:
  TS_CLASS_NAME(TInSPIAble)

  // `graphic` is the picture that loads; it is not owned and must outlive this object. The
  // routines are unset, the texts empty, SkipLeadingHeader false: the embedding class sets
  // NativeExt and the three routines before the first load.
  explicit TInSPIAble(TGraphic* graphic);

  // Loads the named file (UTF-8) into the picture through LoadFromFileProc, with Ext and
  // FileName set for the duration. The file's errors pass on (EFOpenError "ファイル %s
  // は開けません").
  void LoadFromFile(const std::string& fileName);
  // Loads the whole content of `stream`. A memory stream (TCustomMemoryStream or derived: a
  // TMemoryStream, a view of memory owned elsewhere) is used in place from offset 0 whatever its
  // position; a file stream's file is offered to the
  // plug-ins from a read-only mapping while the native decoder reads the stream itself from its
  // beginning; any other stream (or a file that cannot be mapped) is copied once, from its
  // beginning. The
  // native decoder comes first when the load's name has no extension or NativeExt's (in any
  // letter case), the plug-ins first otherwise; the second way runs only when the first did
  // not decode the picture. The native decoder's Exception-derived failures are absorbed (it
  // then counts as not having decoded the picture); every other exception ends the load.
  // Nothing decoded: EInvalidGraphic "認識できない画像形式です".
  void LoadFromStream(TStream& stream);
  // As LoadFromStream, with `name` deciding the order and shown to the plug-ins.
  void LoadFromStreamWithName(TStream& stream, const std::string& name);
  // Offers the memory of `stream` to the one plug-in `spi`: true when it decoded the picture
  // and the receiver took it. With SkipLeadingHeader set and more than 128 bytes, data that the
  // plug-in did not take is offered a second time without its first 128 bytes.
  bool LoadFromStreamBySPI(TCustomMemoryStream& stream, TInSPI& spi);

  TGraphic* Graphic() const { return Graphic_; }
  // The extension of the running load's name, its '.' included; empty without a name, without
  // an extension, and between loads.
  const std::string& Ext() const { return Ext_; }
  // The running load's name; empty without a name and between loads.
  const std::string& FileName() const { return FileName_; }

  // The native format's extension without a dot ("BMP").
  const std::string& NativeExt() const { return NativeExt_; }
  void SetNativeExt(std::string ext) { NativeExt_ = std::move(ext); }
  void SetLoadFromFileProc(TLoadFromFileProc proc) { LoadFromFileProc_ = proc; }
  void SetLoadFromStreamProc(TLoadFromStreamProc proc) { LoadFromStreamProc_ = proc; }
  void SetLoadFromSPIProc(TLoadFromSPIProc proc) { LoadFromSPIProc_ = std::move(proc); }
  bool SkipLeadingHeader() const { return SkipLeadingHeader_; }
  void SetSkipLeadingHeader(bool skip) { SkipLeadingHeader_ = skip; }

 private:
  // Runs `load` with Ext and FileName taken from `name`, emptying both afterwards on every path.
  template <class Load>
  void WithName(const std::string& name, Load&& load);
  bool LoadNative(TStream& stream);
  bool LoadBySPIs(TCustomMemoryStream& memory);
  // One offer of `length` bytes at `data` to `spi`.
  bool TryDecode(TInSPI& spi, const std::uint8_t* data, std::int32_t length);

  TGraphic* Graphic_;
  std::string Ext_;
  std::string FileName_;
  std::string NativeExt_;
  TLoadFromFileProc LoadFromFileProc_ = nullptr;
  TLoadFromStreamProc LoadFromStreamProc_ = nullptr;
  TLoadFromSPIProc LoadFromSPIProc_;
  bool SkipLeadingHeader_ = false;
};

// The progress callback passed with every GetPicture: ignores its arguments and answers 0 (go
// on). No progress is shown and no decoding is cancelled.
std::int32_t SPI_API ProgressCallback(std::int32_t nNum, std::int32_t nDenom, std::intptr_t lData);
