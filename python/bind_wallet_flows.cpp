// vorn_wallet: the mint, recipient-receipt and verification flows of A1 and A2
// notes, and credential issuance. Each takes one JSON text of named arguments and
// returns a JSON text.
#include "bind.h"
#include "vorn/wallet/flows.h"
#include "vorn/wallet/issuer.h"

namespace vorn::frame {
namespace {

const char* const M = "vorn_wallet";
Register r_mint_unilateral_a1({M, "mint_unilateral_a1", {{"args_json", &shape::Text}}, "",
                               bind<wallet::mint_unilateral_a1>()});
Register r_mint_unilateral_a2({M, "mint_unilateral_a2", {{"args_json", &shape::Text}}, "",
                               bind<wallet::mint_unilateral_a2>()});
Register r_make_receipt_a1({M, "make_receipt_a1", {{"args_json", &shape::Text}}, "", bind<wallet::make_receipt_a1>()});
Register r_make_receipt_a2({M, "make_receipt_a2", {{"args_json", &shape::Text}}, "", bind<wallet::make_receipt_a2>()});
Register r_verify_receipt_a1({M, "verify_receipt_a1", {{"args_json", &shape::Text}}, "",
                              bind<wallet::verify_receipt_a1>()});
Register r_verify_receipt_a2({M, "verify_receipt_a2", {{"args_json", &shape::Text}}, "",
                              bind<wallet::verify_receipt_a2>()});
Register r_issue_credential({M, "issue_credential", {{"args_json", &shape::Text}}, "",
                             bind<wallet::issue_credential>()});

}  // namespace
}  // namespace vorn::frame
