// One owned reference to a COM object, released when replaced or destroyed.
#pragma once
#include <utility>

namespace d3dx {

template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) Reset(), p_ = std::exchange(other.p_, nullptr);
    return *this;
  }

  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // The address for an out parameter; any reference held is released first.
  T** Out() {
    Reset();
    return &p_;
  }
  // Takes an extra reference to `p`.
  static ComRef Share(T* p) {
    ComRef r;
    if ((r.p_ = p)) p->AddRef();
    return r;
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace d3dx
