// build_receipt: the common arguments, then the kind's own (kinds.h).
#include "vorn/wallet/builders.h"

#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet {

namespace {

using receipts::Common;
using receipts::get_u64;

// The common arguments' declared keys, in reading order: "kind", then "role" (read
// by hand: a missing or non-string role means "recipient"), then these, then
// "notes" (notes_from), then the transaction's.
constexpr auto kCommonKeys = std::tuple{
    Key{"chainid", get_u64, &Common::chainid},
    Key{"contracts", get_field, &Common::contracts},
    Key{"payer", party_from, &Common::payer},
    Key{"payee", party_from, &Common::payee},
    Key{"txn", get_field, &Common::txn},
    Key{"nonces", get_field, &Common::nonces}};
constexpr auto kTxnKeys = std::tuple{
    Key{"value", get_u128, &Common::value},
    Key{"block_time", get_u64, &Common::block_time},
    Key{"txhash", get_str, &Common::txhash},
    Key{"block", get_u64, &Common::block},
    Key{"logindex", get_u64, &Common::logindex}};

}  // namespace

Result<Json> build_receipt_value(const Json& args) {
  Common c;
  VORN_TRY(c.kind, get_str(args, "kind"));
  const Json* role = args.find("role");
  c.role = role && role->is_string() ? *role->as_string() : std::string(receipts::kRecipient);
  VORN_CHECK(read_keys(args, kCommonKeys, c));
  c.notes = notes_from(args);
  VORN_CHECK(read_keys(*c.txn, kTxnKeys, c));

  const receipts::Kind* kind = receipts::find_kind(c.kind);
  if (!kind) return err(kUnknownReceiptKind);
  return kind->build(*kind, c, args);
}

Result<std::string> build_receipt(std::string_view args_json) {
  VORN_TRY(Json args, parse_args(args_json));
  VORN_TRY(Json receipt, build_receipt_value(args));
  return canonical_json_value(receipt);
}

}  // namespace vorn::wallet
