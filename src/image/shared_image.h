// TSharedImage: the reference-counted store behind pictures that several picture objects share.
//
// An image starts with a count of 0; TSharedImageRef::Adopt gives it its first reference. Each
// TSharedImageRef that refers to it holds one reference; when the last one goes, the image is
// destroyed and its destructor frees its platform objects. The count itself is atomic; swapping
// the reference a picture holds is guarded by the picture class's own process-wide lock.
#pragma once

#include <atomic>
#include <memory>
#include <utility>

class TSharedImage {
 public:
  TSharedImage() = default;
  TSharedImage(const TSharedImage&) = delete;
  TSharedImage& operator=(const TSharedImage&) = delete;
  virtual ~TSharedImage() = default;

  // The number of references held now.
  int RefCount() const { return RefCount_.load(std::memory_order_acquire); }

 private:
  template <class T>
  friend class TSharedImageRef;

  void Reference() { RefCount_.fetch_add(1, std::memory_order_relaxed); }
  void Release() {
    if (RefCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      std::unique_ptr<TSharedImage> last(this);
    }
  }

  std::atomic<int> RefCount_{0};
};

// One counted reference to an image of class T (derived from TSharedImage). Copying takes a
// further reference; destruction or reassignment releases it.
template <class T>
class TSharedImageRef {
 public:
  TSharedImageRef() = default;
  // Takes ownership of a new image and holds its first reference.
  static TSharedImageRef Adopt(std::unique_ptr<T> image) {
    TSharedImageRef ref;
    ref.Image_ = image.release();
    if (ref.Image_ != nullptr) ref.Image_->Reference();
    return ref;
  }

  TSharedImageRef(const TSharedImageRef& other) : Image_(other.Image_) {
    if (Image_ != nullptr) Image_->Reference();
  }
  TSharedImageRef(TSharedImageRef&& other) noexcept : Image_(std::exchange(other.Image_, nullptr)) {}
  TSharedImageRef& operator=(TSharedImageRef other) noexcept {
    std::swap(Image_, other.Image_);
    return *this;
  }
  ~TSharedImageRef() {
    if (Image_ != nullptr) Image_->Release();
  }

  T* get() const { return Image_; }
  T* operator->() const { return Image_; }
  T& operator*() const { return *Image_; }
  explicit operator bool() const { return Image_ != nullptr; }

 private:
  T* Image_ = nullptr;
};
