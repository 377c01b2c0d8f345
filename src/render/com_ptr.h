#pragma once

// Reference counting for the device's objects, shaped as the COM pointers the 3D code was written against.

#include <cstddef>
#include <utility>

#include "render/d3d8_types.h"

namespace dravo {

// Device resources are shared the way Direct3D shares them: a texture bound to a stage, a surface taken
// from a texture level and a record copied out of a texture list each hold a reference. This small
// adapter does that counting; ComPtr does it automatically.
class TRefCounted {
 public:
  TRefCounted(const TRefCounted&) = delete;
  TRefCounted& operator=(const TRefCounted&) = delete;

  virtual ULONG AddRef() { return ++m_refs; }
  // Deletes the object when the last reference goes; returns the references left.
  virtual ULONG Release() {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  ULONG RefCount() const { return m_refs; }

 protected:
  TRefCounted() = default;
  virtual ~TRefCounted() = default;

 private:
  ULONG m_refs = 1;  // the creator's reference
};

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  ComPtr(T* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
  ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
  template <class U>
  ComPtr(ComPtr<U>&& other) noexcept : m_p(other.Detach()) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_p, other.m_p);
    return *this;
  }

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }

  void Reset() {
    if (T* p = std::exchange(m_p, nullptr)) p->Release();
  }
  // Adopts a reference the caller already holds (a freshly created object, or one from Detach).
  void Attach(T* p) {
    Reset();
    m_p = p;
  }
  // Hands the reference to the caller.
  T* Detach() { return std::exchange(m_p, nullptr); }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.m_p == nullptr; }

 private:
  T* m_p = nullptr;
};

// Creates an object whose only reference is the returned pointer.
template <class T, class... Args>
ComPtr<T> MakeCom(Args&&... args) {
  ComPtr<T> p;
  p.Attach(new T(std::forward<Args>(args)...));
  return p;
}

}  // namespace dravo
