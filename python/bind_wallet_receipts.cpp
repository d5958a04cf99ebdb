// vorn_wallet: receipt building and tier-1 verification.
#include "bind.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/verify.h"

namespace vorn::frame {
namespace {

const char* const M = "vorn_wallet";
Register r_verify_receipt({M, "verify_receipt", {{"core_text", &shape::Text}}, "", bind<wallet::verify_receipt>()});
Register r_build_receipt({M, "build_receipt", {{"args_json", &shape::Text}},
                          "Build any receipt kind from named JSON args; returns the canonical\nreceipt text.",
                          bind<wallet::build_receipt>()});

}  // namespace
}  // namespace vorn::frame
