// vorn_wallet: the deposit-fold circuit witnesses of flavors A1 and A2.
#include "frame.h"
#include "vorn/wallet/deposit_fold.h"

namespace vorn::frame {
namespace {

Result<Value> a1_body(Args& a) { return text_result(wallet::deposit_fold_a1_witness(a[0].str())); }
Result<Value> a2_body(Args& a) { return text_result(wallet::deposit_fold_a2_witness(a[0].str())); }

const char* const M = "vorn_wallet";
Register r_a1({M, "deposit_fold_a1_witness", {{"args_json", &shape::Text}}, "", a1_body});
Register r_a2({M, "deposit_fold_a2_witness", {{"args_json", &shape::Text}}, "", a2_body});

}  // namespace
}  // namespace vorn::frame
