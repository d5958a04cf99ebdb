// vorn_wallet: receiving keys, payload wrapping, note delivery and opening, and the
// receiving binding. Each takes one JSON text of named arguments.
#include "bind.h"
#include "vorn/wallet/delivery.h"

namespace vorn::frame {
namespace {

const char* const M = "vorn_wallet";
Register r_receiving_key({M, "receiving_key", {{"args_json", &shape::Text}}, "", bind<wallet::receiving_key>()});
Register r_wrap_mask({M, "wrap_mask", {{"args_json", &shape::Text}}, "", bind<wallet::wrap_mask>()});
Register r_deliver_a1({M, "deliver_a1", {{"args_json", &shape::Text}}, "", bind<wallet::deliver_a1>()});
Register r_deliver_a2({M, "deliver_a2", {{"args_json", &shape::Text}}, "", bind<wallet::deliver_a2>()});
Register r_open_a1({M, "open_a1", {{"args_json", &shape::Text}}, "", bind<wallet::open_a1>()});
Register r_open_a2({M, "open_a2", {{"args_json", &shape::Text}}, "", bind<wallet::open_a2>()});
Register r_prove_receiving_binding({M, "prove_receiving_binding", {{"args_json", &shape::Text}}, "",
                                    bind<wallet::prove_receiving_binding>()});
Register r_verify_receiving_binding({M, "verify_receiving_binding", {{"args_json", &shape::Text}}, "",
                                     bind<wallet::verify_receiving_binding>()});

}  // namespace
}  // namespace vorn::frame
