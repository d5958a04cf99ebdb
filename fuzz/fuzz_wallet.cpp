// libFuzzer target for the wallet functions that take a JSON text of named
// arguments. The first input byte picks the function (modulo their number), the
// rest is its argument text. Each call returns its result or an ordinary error
// (fuzz_support.h); a JSON result must read back to the same bytes.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/delivery.h"
#include "vorn/wallet/deposit_fold.h"
#include "vorn/wallet/flows.h"
#include "vorn/wallet/issuer.h"

namespace w = vorn::wallet;
using vorn::Result;

namespace {

Result<std::string> verify_binding_text(std::string_view args) {
  auto r = w::verify_receiving_binding(args);
  if (!r.ok()) return std::move(r).error();
  return std::string(*r ? "true" : "false");
}

struct Entry {
  Result<std::string> (*fn)(std::string_view);
  bool json_result;  // false: wrap_mask (a hex word) and the binding check (a boolean)
};

// In the module's order (vorn_wallet), less the functions with a target of their own
// (canonical_json, receipt_id, envelope_text, parse_envelope, verify_receipt).
const Entry kEntries[] = {
    {w::canonical_identity_data, true},
    {w::build_receipt, true},
    {w::mint_unilateral_a2, true},
    {w::receiving_key, true},
    {w::wrap_mask, false},
    {w::deliver_a1, true},
    {w::deliver_a2, true},
    {w::open_a1, true},
    {w::open_a2, true},
    {w::prove_receiving_binding, true},
    {verify_binding_text, false},
    {w::deposit_fold_a1_witness, true},
    {w::deposit_fold_a2_witness, true},
    {w::make_receipt_a2, true},
    {w::verify_receipt_a2, true},
    {w::mint_unilateral_a1, true},
    {w::make_receipt_a1, true},
    {w::verify_receipt_a1, true},
    {w::issue_credential, true},
};
constexpr size_t kCount = sizeof(kEntries) / sizeof(kEntries[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Entry& e = kEntries[data[0] % kCount];
  auto r = e.fn(fuzz::as_text(data + 1, size - 1));
  if (!r.ok()) {
    fuzz::require_plain_error(r.error());
  } else if (e.json_result) {
    fuzz::require_json_round_trip(*r);
  }
  return 0;
}
