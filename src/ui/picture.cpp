#include "ui/picture.h"

#include <string>

#include "image/file_formats.h"
#include "rtl/exception.h"
#include "rtl/messages.h"
#include "rtl/stream.h"

TPicture::~TPicture() {
  // The picture may outlive nothing that it calls back.
  if (Graphic_) Graphic_->SetOnChange(nullptr);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  std::unique_ptr<TGraphic> copy;
  if (graphic != nullptr) {
    copy = graphic->ClassType().Create();
    if (!copy) throw EInvalidGraphic(rtl_messages::SUnknownPictureFormat);
    copy->Assign(graphic);
  }
  Take(std::move(copy));
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    SetGraphic(picture->Graphic());
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::ReadData(TStream& stream) {
  std::uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string className(length, '\0');
  if (length > 0) stream.ReadBuffer(className.data(), length);
  if (className.empty()) {
    Take(nullptr);
    return;
  }
  const TGraphicClass graphicClass = GetFileFormats().FindClassName(className);
  std::unique_ptr<TGraphic> graphic = graphicClass ? graphicClass.Create() : nullptr;
  if (!graphic) throw EInvalidGraphic(rtl_messages::SUnknownPictureFormat);
  graphic->ReadData(stream);
  Take(std::move(graphic));
}

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
  if (Graphic_) Graphic_->SetOnChange(nullptr);
  Graphic_ = std::move(graphic);
  if (Graphic_) Graphic_->SetOnChange([this](TGraphic&) { Changed(); });
  Changed();
}

void TPicture::Changed() {
  if (OnChange_) OnChange_();
}
