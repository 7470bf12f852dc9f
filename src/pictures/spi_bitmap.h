// TSPIBitmap: the bitmap class of every loaded picture. A TBitmap that loads BMP itself and
// every other format that an installed Susie import plug-in decodes.
//
// Loading goes through the embedded TInSPIAble (SPIAble), which chooses between the BMP reader
// and the plug-ins by the name's extension. What a plug-in decodes comes back through
// LoadFromSPI, which presents it as a BMP file image (assembled headers, then the plug-in's own
// pixel block, one stream over both) and reads that with TBitmap's own BMP reader; so a failed load, whichever way it took, leaves the previous picture untouched.
//
// From program start this class is the plug-in collection's default picture class, so the
// formats of every import plug-in are registered under it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/bitmap.h"
#include "pictures/in_spi_able.h"

class TSPIBitmap : public TBitmap {
 public:
  TS_CLASS_NAME(TSPIBitmap)

  // An empty picture with SkipLeadingHeader true and SPIAble configured: native extension "BMP",
  // file loading through TGraphic's, native decoding by TBitmap's BMP reader, decoded pictures
  // into LoadFromSPI. Anything that makes a picture "of the same class" through ClassType() gets
  // one configured the same way.
  TSPIBitmap();
  ~TSPIBitmap() override;

  TGraphicClass ClassType() const override;

  // From a TSPIBitmap (or derived): takes its SkipLeadingHeader; then assigns as TBitmap does.
  void Assign(const TPersistent* source) override;

  // Each copies SkipLeadingHeader into SPIAble, then loads through it. Failures: EFOpenError for
  // a file that does not open, EInvalidGraphic "認識できない画像形式です" when nothing decodes
  // the picture, or what a plug-in or the BMP reader raised in a plug-in's attempt.
  void LoadFromFile(const std::string& fileName) override;
  void LoadFromStream(TStream& stream) override;
  virtual void LoadFromStreamWithName(TStream& stream, const std::string& name);

  // Replaces the picture by a plug-in's decoded bitmap (see TLoadFromSPIProc): the header, its
  // colour table (biClrUsed entries, or 2, 16 or 256 for 1, 4 or 8 bits when that is 0) and the
  // uncompressed rows are presented as a BMP file image and read with TBitmap's BMP reader, the
  // rows straight from `PBM` into the picture's pixels. A
  // header longer than 40 bytes (biSize 52, 56, 108 or 124) is carried whole, and so are the
  // three masks after a 40-byte BI_BITFIELDS header. Sets `Done` once the reader succeeded.
  // Refused with EInvalidGraphic "ビットマップイメージが不正です", before anything is read beyond
  // the blocks: a header block shorter than the header, masks and colour table it describes; a
  // pixel block shorter than the rows; a negative width; more than 256 colours; compressed bits;
  // a BMP image that would exceed 2^31 - 1 bytes.
  void LoadFromSPI(std::span<const std::uint8_t> BMInfo, std::span<const std::uint8_t> PBM,
                   const TPictureInfoRec& Info, bool& Done);

  bool SkipLeadingHeader() const { return SkipLeadingHeader_; }
  void SetSkipLeadingHeader(bool skip) { SkipLeadingHeader_ = skip; }
  // The loading engine; owned by this picture.
  TInSPIAble& SPIAble() { return *SPIAble_; }

 private:
  std::unique_ptr<TInSPIAble> SPIAble_;
  bool SkipLeadingHeader_ = true;
};
