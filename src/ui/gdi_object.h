// TGdiObject: one owned GDI object (font, brush, bitmap, palette), deleted with its owner.
#pragma once

#include <windows.h>

#include <utility>

template <class H>
class TGdiObject {
 public:
  TGdiObject() = default;
  explicit TGdiObject(H handle) : Handle_(handle) {}
  TGdiObject(TGdiObject&& other) noexcept : Handle_(std::exchange(other.Handle_, nullptr)) {}
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.Handle_, nullptr));
    return *this;
  }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  ~TGdiObject() { Reset(); }

  H Get() const { return Handle_; }
  explicit operator bool() const { return Handle_ != nullptr; }
  void Reset(H handle = nullptr) {
    if (Handle_ != nullptr) ::DeleteObject(Handle_);
    Handle_ = handle;
  }

 private:
  H Handle_ = nullptr;
};
