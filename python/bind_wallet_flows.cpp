// vorn_wallet: the mint, recipient-receipt and verification flows of A1 and A2
// notes, and credential issuance. Each takes one JSON text of named arguments and
// returns a JSON text.
#include "frame.h"
#include "vorn/wallet/flows.h"
#include "vorn/wallet/issuer.h"

namespace vorn::frame {
namespace {

Result<Value> mint_unilateral_a1_body(Args& a) { return text_result(wallet::mint_unilateral_a1(a[0].str())); }
Result<Value> mint_unilateral_a2_body(Args& a) { return text_result(wallet::mint_unilateral_a2(a[0].str())); }
Result<Value> make_receipt_a1_body(Args& a) { return text_result(wallet::make_receipt_a1(a[0].str())); }
Result<Value> make_receipt_a2_body(Args& a) { return text_result(wallet::make_receipt_a2(a[0].str())); }
Result<Value> verify_receipt_a1_body(Args& a) { return text_result(wallet::verify_receipt_a1(a[0].str())); }
Result<Value> verify_receipt_a2_body(Args& a) { return text_result(wallet::verify_receipt_a2(a[0].str())); }
Result<Value> issue_credential_body(Args& a) { return text_result(wallet::issue_credential(a[0].str())); }

const char* const M = "vorn_wallet";
Register r_mint_unilateral_a1({M, "mint_unilateral_a1", {{"args_json", &shape::Text}}, "", mint_unilateral_a1_body});
Register r_mint_unilateral_a2({M, "mint_unilateral_a2", {{"args_json", &shape::Text}}, "", mint_unilateral_a2_body});
Register r_make_receipt_a1({M, "make_receipt_a1", {{"args_json", &shape::Text}}, "", make_receipt_a1_body});
Register r_make_receipt_a2({M, "make_receipt_a2", {{"args_json", &shape::Text}}, "", make_receipt_a2_body});
Register r_verify_receipt_a1({M, "verify_receipt_a1", {{"args_json", &shape::Text}}, "", verify_receipt_a1_body});
Register r_verify_receipt_a2({M, "verify_receipt_a2", {{"args_json", &shape::Text}}, "", verify_receipt_a2_body});
Register r_issue_credential({M, "issue_credential", {{"args_json", &shape::Text}}, "", issue_credential_body});

}  // namespace
}  // namespace vorn::frame
