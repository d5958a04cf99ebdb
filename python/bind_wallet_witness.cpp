// vorn_wallet: the deposit-fold circuit witnesses of flavors A1 and A2.
#include "bind.h"
#include "vorn/wallet/deposit_fold.h"

namespace vorn::frame {
namespace {

const char* const M = "vorn_wallet";
Register r_a1({M, "deposit_fold_a1_witness", {{"args_json", &shape::Text}}, "",
               bind<wallet::deposit_fold_a1_witness>()});
Register r_a2({M, "deposit_fold_a2_witness", {{"args_json", &shape::Text}}, "",
               bind<wallet::deposit_fold_a2_witness>()});

}  // namespace
}  // namespace vorn::frame
