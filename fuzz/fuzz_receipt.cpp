// libFuzzer target for tier-1 receipt verification: any text gives a verification
// result (which reads back to the same bytes) or an ordinary reading error.
#include <cstdint>

#include "fuzz_support.h"
#include "vorn/wallet/verify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto r = vorn::wallet::verify_receipt(fuzz::as_text(data, size));
  if (r.ok()) {
    fuzz::require_json_round_trip(*r);
  } else {
    fuzz::require_plain_error(r.error());
  }
  return 0;
}
