#pragma once
#include <cstdint>
#include <utility>

namespace platform {

// The thread's last error, as declared with the process services (platform/process.h).
[[nodiscard]] std::uint32_t LastError();
void SetLastError(std::uint32_t error);

// Move-only owner of one platform handle. Traits supply the value type, the value that means
// "no handle" and the function that releases a handle; a kind whose functions answer failure with
// either of two values (null or all bits set) also supplies IsInvalid, and neither is released.
// Releasing leaves the thread's last error as it was, so a failure's error survives the clean-up
// on the way out of the failed operation.
template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Value get() const { return value_; }
  bool valid() const { return !IsInvalid(value_); }
  explicit operator bool() const { return valid(); }

  // Gives up ownership: the caller must close the value or hand it on.
  [[nodiscard]] Value release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(Value value = Traits::Invalid()) {
    Value old = std::exchange(value_, value);
    if (IsInvalid(old)) return;
    const std::uint32_t error = LastError();
    Traits::Close(old);
    SetLastError(error);
  }

 private:
  static bool IsInvalid(Value value) {
    if constexpr (requires { Traits::IsInvalid(value); }) {
      return Traits::IsInvalid(value);
    } else {
      return value == Traits::Invalid();
    }
  }

  Value value_ = Traits::Invalid();
};

}  // namespace platform
