// TGraphic: the base of every picture class, and TGraphicClass, the class reference through
// which code makes a picture "of the same class" or registers a class for a file format.
#pragma once

#include <functional>
#include <string>

#include "rtl/class_ref.h"
#include "rtl/persistent.h"

class TGraphic;
class TStream;

// A picture class, constructed without arguments.
using TGraphicClass = TClassRef<TGraphic>;

class TGraphic : public TPersistent {
 public:
  TS_CLASS_NAME(TGraphic)

  using TNotifyEvent = std::function<void(TGraphic& sender)>;

  // The class of this object, so that a caller can make a new picture of the same class.
  virtual TGraphicClass ClassType() const = 0;

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Reads a picture from the stream's position; writes the picture at the stream's position.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void StoreToStream(TStream& stream) = 0;
  // Opens `fileName` for reading, shared for reading only, and reads it with LoadFromStream;
  // the file is closed afterwards, also after a failure.
  virtual void LoadFromFile(const std::string& fileName);
  // Writes the picture into `fileName` with StoreToStream.
  virtual void StoreToFile(const std::string& fileName);

  // The stored form of the picture inside a window description. The base reads and writes the
  // picture's own stream form.
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);

  // Whether the last change of picture came with a palette (an image box realises it).
  bool PaletteModified() const { return PaletteModified_; }
  void SetPaletteModified(bool modified) { PaletteModified_ = modified; }
  // The transparency switch: draw through a mask made from a key colour. Kept as data.
  bool Transparent() const { return Transparent_; }
  void SetTransparent(bool transparent) { Transparent_ = transparent; }

  bool Modified() const { return Modified_; }
  void SetModified(bool modified) { Modified_ = modified; }
  // Called after each change (see Changed); an image box subscribes to repaint.
  void SetOnChange(TNotifyEvent handler) { OnChange_ = std::move(handler); }

 protected:
  // Marks the picture modified, then calls the change event if one is set.
  virtual void Changed();

 private:
  bool Modified_ = false;
  bool PaletteModified_ = false;
  bool Transparent_ = false;
  TNotifyEvent OnChange_;
};
