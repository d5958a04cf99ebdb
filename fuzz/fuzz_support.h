// Shared checks of the libFuzzer targets. A kernel call may refuse its input, but
// only with an ordinary error: an internal invariant failure (IdError::panic) is a
// bug, and so is an error without a message. Whatever JSON the kernel writes must
// read back and write again to the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/json.h"

namespace fuzz {

/// Stops the run (libFuzzer records the input) when `ok` is false.
inline void require(bool ok) {
  if (!ok) __builtin_trap();
}

/// An error must be an ordinary one with its fixed text.
inline void require_plain_error(const vorn::IdError& e) { require(!e.panic && !e.msg.empty()); }

/// A JSON text the kernel wrote reads back, and writing the value again gives the
/// same bytes.
inline void require_json_round_trip(const std::string& text) {
  auto v = vorn::wallet::parse_json(text);
  require(v.ok());
  require(vorn::wallet::compact_json(*v) == text);
}

/// The input as text (the bindings hand the kernel UTF-8 text, but the kernel must
/// not rely on it).
inline std::string_view as_text(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz
