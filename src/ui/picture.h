// TPicture: the picture holder of an image box. It never keeps the picture it is given: it
// makes a new picture of the same class and assigns the given one to it, so for bitmaps the
// two share their pixels until one of them changes (copy on write). Releasing the given picture
// afterwards does not affect what the holder shows. The holder owns its picture and tells its
// owner (the image box) of every change of the picture, so that the box repaints.
#pragma once

#include <functional>
#include <memory>

#include "image/graphic.h"
#include "rtl/persistent.h"

class TStream;

class TPicture : public TPersistent {
 public:
  TS_CLASS_NAME(TPicture)

  TPicture() = default;
  ~TPicture() override;

  // The picture held; null when the holder is empty. Owned by the holder.
  TGraphic* Graphic() const { return Graphic_.get(); }
  // Holds a copy of `graphic` made as above (null empties the holder), releases the picture
  // held before, and reports the change.
  void SetGraphic(const TGraphic* graphic);

  // A TPicture source: its picture (copied as SetGraphic does); a TGraphic source: that picture;
  // null: empty. Anything else fails as TPersistent does.
  void Assign(const TPersistent* source) override;

  int Width() const { return Graphic_ ? Graphic_->Width() : 0; }
  int Height() const { return Graphic_ ? Graphic_->Height() : 0; }

  // Called after the held picture was replaced or changed itself.
  void SetOnChange(std::function<void()> handler) { OnChange_ = std::move(handler); }

  // The stored form inside a window description: the picture's class name (one length byte,
  // then its characters; none for an empty holder) followed by that class's own stored form.
  // The class is looked up in the picture-format registry; an unknown name fails with
  // EInvalidGraphic "認識できない画像形式です". On failure the holder keeps its picture.
  void ReadData(TStream& stream);

 private:
  void Changed();
  void Take(std::unique_ptr<TGraphic> graphic);

  std::unique_ptr<TGraphic> Graphic_;
  std::function<void()> OnChange_;
};
