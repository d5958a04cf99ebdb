// vorn_wallet: receipt building and tier-1 verification.
#include "frame.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/verify.h"

namespace vorn::frame {
namespace {

// This file's shape is its own object, defined before the rows that use it (static
// initialisation runs in order within one file only).
const Shape kText{Shape::Kind::Text, {}};

Result<Value> verify_receipt_body(Args& a) { return text_result(wallet::verify_receipt(a[0].str())); }

Result<Value> build_receipt_body(Args& a) { return text_result(wallet::build_receipt(a[0].str())); }

const char* const M = "vorn_wallet";
Register r_verify_receipt({M, "verify_receipt", {{"core_text", &kText}}, "", verify_receipt_body});
Register r_build_receipt({M, "build_receipt", {{"args_json", &kText}},
                          "Build any receipt kind from named JSON args; returns the canonical\nreceipt text.",
                          build_receipt_body});

}  // namespace
}  // namespace vorn::frame
