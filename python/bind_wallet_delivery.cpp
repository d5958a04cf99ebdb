// vorn_wallet: receiving keys, payload wrapping, note delivery and opening, and the
// receiving binding. Each takes one JSON text of named arguments.
#include "frame.h"
#include "vorn/wallet/delivery.h"

namespace vorn::frame {
namespace {

Result<Value> receiving_key_body(Args& a) { return text_result(wallet::receiving_key(a[0].str())); }
Result<Value> wrap_mask_body(Args& a) { return text_result(wallet::wrap_mask(a[0].str())); }
Result<Value> deliver_a1_body(Args& a) { return text_result(wallet::deliver_a1(a[0].str())); }
Result<Value> deliver_a2_body(Args& a) { return text_result(wallet::deliver_a2(a[0].str())); }
Result<Value> open_a1_body(Args& a) { return text_result(wallet::open_a1(a[0].str())); }
Result<Value> open_a2_body(Args& a) { return text_result(wallet::open_a2(a[0].str())); }
Result<Value> prove_receiving_binding_body(Args& a) { return text_result(wallet::prove_receiving_binding(a[0].str())); }
Result<Value> verify_receiving_binding_body(Args& a) {
  VORN_TRY(const bool ok, wallet::verify_receiving_binding(a[0].str()));
  return Value::boolean(ok);
}

const char* const M = "vorn_wallet";
Register r_receiving_key({M, "receiving_key", {{"args_json", &shape::Text}}, "", receiving_key_body});
Register r_wrap_mask({M, "wrap_mask", {{"args_json", &shape::Text}}, "", wrap_mask_body});
Register r_deliver_a1({M, "deliver_a1", {{"args_json", &shape::Text}}, "", deliver_a1_body});
Register r_deliver_a2({M, "deliver_a2", {{"args_json", &shape::Text}}, "", deliver_a2_body});
Register r_open_a1({M, "open_a1", {{"args_json", &shape::Text}}, "", open_a1_body});
Register r_open_a2({M, "open_a2", {{"args_json", &shape::Text}}, "", open_a2_body});
Register r_prove_receiving_binding({M, "prove_receiving_binding", {{"args_json", &shape::Text}}, "",
                                    prove_receiving_binding_body});
Register r_verify_receiving_binding({M, "verify_receiving_binding", {{"args_json", &shape::Text}}, "",
                                     verify_receiving_binding_body});

}  // namespace
}  // namespace vorn::frame
