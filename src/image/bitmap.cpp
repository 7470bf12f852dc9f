#include "image/bitmap.h"

#include <cstdlib>
#include <mutex>

#include "image/raster/make_bitmap.h"
#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

// Held while any bitmap swaps the image it refers to.
std::mutex& ImageLock() {
  static std::mutex lock;
  return lock;
}

TBitmapImageRef NewImage(TRasterBitmapPtr bitmap, TPaletteHandle palette,
                         const TDIBSection& description, bool fromCoreHeader) {
  return TBitmapImageRef::Adopt(std::make_unique<TBitmapImage>(
      std::move(bitmap), std::move(palette), description, fromCoreHeader));
}

// Bits per pixel of the layouts that can be set, by ordinal (plDevice and plCustom have none).
constexpr std::uint16_t kLayoutBits[] = {0, 1, 4, 8, 16, 16, 24, 32, 0};

}  // namespace

TBitmap::TBitmap() : Image_(TBitmapImageRef::Adopt(std::make_unique<TBitmapImage>())) {}

TBitmap::~TBitmap() { SetImage(TBitmapImageRef()); }

TGraphicClass TBitmap::ClassType() const { return TGraphicClass::Of<TBitmap>(); }

void TBitmap::SetImage(TBitmapImageRef image) {
  {
    std::lock_guard<std::mutex> lock(ImageLock());
    // The assignment takes the new reference and releases the old one inside the lock.
    Image_ = std::move(image);
  }
}

void TBitmap::Assign(const TPersistent* source) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(source);
  if (source != nullptr && bitmap == nullptr) {
    TGraphic::Assign(source);
    return;
  }
  if (bitmap != nullptr) {
    {
      std::lock_guard<std::mutex> lock(ImageLock());
      Image_ = bitmap->Image_;
    }
    SetTransparent(bitmap->Transparent());
    TransparentColor_ = bitmap->TransparentColor_;
    TransparentMode_ = bitmap->TransparentMode_;
  } else {
    SetImage(TBitmapImageRef::Adopt(std::make_unique<TBitmapImage>()));
  }
  SetPaletteModified(Palette() != nullptr);
  Changed();
}

bool TBitmap::Empty() const { return Image_->DeviceHandle() == nullptr; }

int TBitmap::Width() const { return Description().dsBm.bmWidth; }

int TBitmap::Height() const { return std::abs(Description().dsBm.bmHeight); }

void TBitmap::SetWidth(int width) { SetSize(width, Height()); }

void TBitmap::SetHeight(int height) { SetSize(Width(), height); }

void TBitmap::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  if (width < 0 || height < 0) throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
  const TBitmapImage& current = *Image_;
  TDIBSection target = current.Description();
  target.dsBm.bmWidth = width;
  target.dsBm.bmHeight = height;
  target.dsBm.bmBits = nullptr;
  if (current.HasSeparateDevice()) {
    target.dsBmih.biSize = 0;  // stays device-dependent
  } else if (target.dsBmih.biSize != 0) {
    target.dsBmih.biWidth = width;
    target.dsBmih.biHeight = target.dsBmih.biHeight < 0 ? -height : height;
    target.dsBmih.biSizeImage = 0;
  }
  const TRasterBitmap* source =
      current.SectionHandle() ? current.SectionHandle() : current.DeviceHandle();
  TPaletteHandle palette = CopyPalette(current.Palette());
  const bool fromCoreHeader = current.FromCoreHeader();
  TRasterBitmapPtr made = MakeBitmap(source, palette, target);
  SetImage(NewImage(std::move(made), std::move(palette), target, fromCoreHeader));
  Changed();
}

TPixelLayout TBitmap::PixelLayout() const {
  const TBitmapImage& image = *Image_;
  const TDIBSection& d = image.Description();
  if (image.HasSeparateDevice() || (image.SectionHandle() == nullptr && d.dsBmih.biSize == 0)) {
    return TPixelLayout::plDevice;
  }
  switch (d.dsBmih.biBitCount) {
    case 1:
      return TPixelLayout::pl1Bit;
    case 4:
      return TPixelLayout::pl4Bit;
    case 8:
      return TPixelLayout::pl8Bit;
    case 16:
      if (d.dsBmih.biCompression == BI_RGB) return TPixelLayout::pl15Bit;
      if (d.dsBmih.biCompression == BI_BITFIELDS && d.dsBitfields[1] == 0x07E0) {
        return TPixelLayout::pl16Bit;
      }
      return TPixelLayout::plCustom;
    case 24:
      return TPixelLayout::pl24Bit;
    case 32:
      return d.dsBmih.biCompression == BI_RGB ? TPixelLayout::pl32Bit : TPixelLayout::plCustom;
    default:
      return TPixelLayout::plCustom;
  }
}

void TBitmap::SetPixelLayout(TPixelLayout layout) {
  if (layout == PixelLayout()) return;
  switch (layout) {
    case TPixelLayout::plDevice:
      ConvertToDevice();
      Changed();
      return;
    case TPixelLayout::plCustom:
      throw EInvalidGraphic(rtl_messages::SInvalidPixelFormat);
    case TPixelLayout::pl1Bit:
    case TPixelLayout::pl4Bit:
    case TPixelLayout::pl8Bit:
    case TPixelLayout::pl15Bit:
    case TPixelLayout::pl16Bit:
    case TPixelLayout::pl24Bit:
    case TPixelLayout::pl32Bit:
      break;
  }

  // The target: the current size, bottom-up, in the new layout.
  TDIBSection target{};
  target.dsBm = Description().dsBm;
  target.dsBm.bmBits = nullptr;
  target.dsBmih.biSize = sizeof(TBitmapInfoHeader);
  target.dsBmih.biWidth = target.dsBm.bmWidth;
  target.dsBmih.biHeight = target.dsBm.bmHeight;
  target.dsBmih.biPlanes = 1;
  target.dsBmih.biBitCount = kLayoutBits[static_cast<int>(layout)];
  if (layout == TPixelLayout::pl16Bit) {
    target.dsBmih.biCompression = BI_BITFIELDS;
    std::copy(kMasks565, kMasks565 + 3, target.dsBitfields);
  }

  PaletteOnDemand();
  TPaletteHandle conversion = Image_->Palette();
  TPaletteHandle targetPalette;
  if (layout == TPixelLayout::pl4Bit) {
    conversion = StandardPalette16();
    targetPalette = conversion;
  } else if (layout == TPixelLayout::pl8Bit) {
    // Made for this conversion alone, so the image may keep it as its own copy.
    conversion = MakeHalftonePalette();
    targetPalette = conversion;
  } else {
    targetPalette = CopyPalette(conversion);
  }

  // The conversion only reads the current image and makes a new one, so a shared image needs no
  // private copy first. The section, where there is one, has every row written through RowData.
  const TBitmapImage& current = *Image_;
  const TRasterBitmap* source =
      current.SectionHandle() ? current.SectionHandle() : current.DeviceHandle();
  const bool fromCoreHeader = current.FromCoreHeader();
  TRasterBitmapPtr made = MakeBitmap(source, targetPalette, target);
  SetImage(NewImage(std::move(made), targetPalette, target, fromCoreHeader));
  SetPaletteModified(conversion != nullptr);
  Changed();
}

void TBitmap::ConvertToDevice() {
  if (Image_->DeviceHandle() == nullptr) {
    // An empty image only forgets its header; a shared one is first made this bitmap's own, so
    // the layout that the other bitmaps read does not change under them.
    if (Image_->RefCount() > 1) PrivateCopy();
    Image_->Description_.dsBmih.biSize = 0;
    return;
  }
  if (Image_->HasSeparateDevice()) return;

  TDIBSection target = Image_->Description();
  target.dsBmih.biSize = 0;
  const bool shared = Image_->RefCount() > 1;
  TPaletteHandle palette = shared ? CopyPalette(Image_->Palette()) : Image_->Palette();
  TRasterBitmapPtr device = MakeBitmap(Image_->SectionHandle(), palette, target);
  if (shared) {
    SetImage(NewImage(std::move(device), std::move(palette), target, Image_->FromCoreHeader()));
  } else {
    // The image keeps its section (and the description of it) beside the new device bitmap.
    Image_->Device_ = std::move(device);
  }
}

void TBitmap::PrivateCopy() {
  const TBitmapImage& old = *Image_;
  auto image = std::make_unique<TBitmapImage>();
  // Both forms are copied when the image holds both: rows written through the section since it
  // was made from the device bitmap exist only in the section.
  if (old.Device_) image->Device_ = old.Device_->Duplicate();
  if (old.Section_) image->Section_ = old.Section_->Duplicate();
  image->Palette_ = CopyPalette(old.Palette_);
  image->Description_ = old.Description_;
  if (image->Section_) image->Description_.dsBm.bmBits = image->Section_->Bits();
  image->FromCoreHeader_ = old.FromCoreHeader_;
  SetImage(TBitmapImageRef::Adopt(std::move(image)));
}

void TBitmap::MakeSectionFromDevice() {
  TBitmapImage& image = *Image_;
  if (image.Device_ == nullptr || image.Section_ != nullptr) return;
  PaletteOnDemand();
  TDIBSection target = image.Description_;
  if (target.dsBmih.biSize == 0) {
    target.dsBmih = TBitmapInfoHeader{};
    target.dsBmih.biSize = sizeof(TBitmapInfoHeader);
    target.dsBmih.biWidth = target.dsBm.bmWidth;
    target.dsBmih.biHeight = target.dsBm.bmHeight;
    target.dsBmih.biPlanes = 1;
    target.dsBmih.biBitCount =
        static_cast<std::uint16_t>(target.dsBm.bmPlanes * target.dsBm.bmBitsPixel);
  }
  TRasterBitmapPtr section = MakeBitmap(image.Device_.get(), image.Palette_, target);
  if (section == nullptr) return;
  image.Section_ = std::move(section);
  image.Description_ = target;
}

void TBitmap::PaletteOnDemand() {
  TBitmapImage& image = *Image_;
  if (PaletteUnavailable_ || image.Palette_ != nullptr || image.Section_ == nullptr) return;
  // The display is taken as true colour without a hardware palette: the palette is the
  // section's colour table, and no display palette is ever made.
  image.Palette_ = PaletteFromColorTable(image.Section_->ColorTable());
  if (image.Palette_ == nullptr) PaletteUnavailable_ = true;
}

TPaletteHandle TBitmap::Palette() {
  PaletteOnDemand();
  return Image_->Palette();
}

std::uint8_t* TBitmap::RowData(int row) {
  if (Image_->RefCount() > 1) PrivateCopy();
  if (row < 0 || row >= Height()) throw EInvalidGraphicOperation(rtl_messages::SScanLine);
  MakeSectionFromDevice();
  TRasterBitmap* section = Image_->SectionHandle();
  if (section == nullptr || row >= section->Height()) {
    throw EInvalidGraphicOperation(rtl_messages::SScanLine);
  }
  return section->Row(row);
}

TRasterBitmap* TBitmap::DIBSection() {
  MakeSectionFromDevice();
  return Image_->SectionHandle();
}

TDIBView TBitmap::DIBView() {
  const TRasterBitmap* section = DIBSection();
  if (section == nullptr) return {};
  TDIBView view;
  view.Header = &section->Description().dsBmih;
  view.Masks = section->Description().dsBitfields;
  view.ColorTable = section->ColorTable();
  view.Bits = section->Bits();
  view.HasPalette = Palette() != nullptr;
  return view;
}

void TBitmap::ReplaceImage(TRasterBitmapPtr bitmap, TPaletteHandle palette, bool fromCoreHeader) {
  TDIBSection description{};
  if (bitmap != nullptr) {
    if (bitmap->IsSection()) {
      description = bitmap->Description();
    } else {
      description.dsBm = bitmap->Description().dsBm;
    }
  }
  SetImage(NewImage(std::move(bitmap), std::move(palette), description, fromCoreHeader));
}

void TBitmap::ImageLoaded(TRasterBitmapPtr bitmap, TPaletteHandle palette, bool fromCoreHeader) {
  ReplaceImage(std::move(bitmap), std::move(palette), fromCoreHeader);
  SetPaletteModified(Palette() != nullptr);
  Changed();
}
