// Result<T> and IdError: how the kernel reports expected failures.
//
// A kernel function returns either its value or an IdError carrying one fixed
// message text (defined once, as a named constant next to the code that raises it).
// The binding frame turns an IdError into Python's ValueError with the text
// unchanged. An IdError marked `panic` is an internal invariant failure that valid
// constants can never reach; the frame raises it as the dedicated panic class.
// Exceptions are not used for expected failures.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace vorn {

struct IdError {
  std::string msg;
  bool panic = false;

  static IdError invariant(std::string m) { return IdError{std::move(m), true}; }
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T v) : v_(std::in_place_index<0>, std::move(v)) {}
  Result(IdError e) : v_(std::in_place_index<1>, std::move(e)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const IdError& error() const& { return std::get<1>(v_); }
  IdError&& error() && { return std::get<1>(std::move(v_)); }

 private:
  std::variant<T, IdError> v_;
};

/// An operation that yields nothing but may fail.
struct Unit {};
using Status = Result<Unit>;
inline Status ok_status() { return Unit{}; }

}  // namespace vorn

// Evaluates a Result-returning expression; on failure returns its error from the
// enclosing function, otherwise binds the value to `var`.
#define VORN_CONCAT_INNER(a, b) a##b
#define VORN_CONCAT(a, b) VORN_CONCAT_INNER(a, b)
#define VORN_TRY_IMPL(tmp, var, expr)        \
  auto tmp = (expr);                         \
  if (!tmp.ok()) return std::move(tmp).error(); \
  var = std::move(tmp).value()
#define VORN_TRY(var, expr) VORN_TRY_IMPL(VORN_CONCAT(vorn_try_, __LINE__), var, expr)
// Same, for a Status: returns the error, binds nothing.
#define VORN_CHECK(expr)                                         \
  do {                                                           \
    auto vorn_check_tmp = (expr);                                \
    if (!vorn_check_tmp.ok()) return std::move(vorn_check_tmp).error(); \
  } while (0)
