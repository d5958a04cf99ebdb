// libFuzzer target for the readers of delivery records and receiving bindings: the
// first input byte picks open_a1, open_a2, verify_receiving_binding or
// prove_receiving_binding, the rest is its argument text. Results read back to the
// same bytes; refusals are ordinary errors.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "vorn/wallet/delivery.h"

namespace w = vorn::wallet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view args = fuzz::as_text(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
    case 1: {
      auto r = data[0] % 4 == 0 ? w::open_a1(args) : w::open_a2(args);
      if (r.ok()) fuzz::require_json_round_trip(*r);
      else fuzz::require_plain_error(r.error());
      break;
    }
    case 2: {
      auto r = w::verify_receiving_binding(args);
      if (!r.ok()) fuzz::require_plain_error(r.error());
      break;
    }
    default: {
      auto r = w::prove_receiving_binding(args);
      if (r.ok()) fuzz::require_json_round_trip(*r);
      else fuzz::require_plain_error(r.error());
      break;
    }
  }
  return 0;
}
