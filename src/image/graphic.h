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

  bool Modified() const { return Modified_; }
  void SetModified(bool modified) { Modified_ = modified; }
  // Called after each change (see Changed); an image box subscribes to repaint.
  void SetOnChange(TNotifyEvent handler) { OnChange_ = std::move(handler); }

 protected:
  // Marks the picture modified, then calls the change event if one is set.
  virtual void Changed();

 private:
  bool Modified_ = false;
  TNotifyEvent OnChange_;
};
