// build_receipt: the common arguments, then the kind's own (kinds.h).
#include "vorn/wallet/builders.h"

#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet {

using receipts::Common;
using receipts::get_u64;

Result<Json> build_receipt_value(const Json& args) {
  Common c;
  VORN_TRY(c.kind, get_str(args, "kind"));
  const Json* role = args.find("role");
  c.role = role && role->is_string() ? *role->as_string() : std::string(receipts::kRecipient);
  VORN_TRY(c.chainid, get_u64(args, "chainid"));
  VORN_TRY(c.contracts, get_field(args, "contracts"));
  VORN_TRY(c.payer, party_from(args, "payer"));
  VORN_TRY(c.payee, party_from(args, "payee"));
  VORN_TRY(c.txn, get_field(args, "txn"));
  VORN_TRY(c.nonces, get_field(args, "nonces"));
  c.notes = notes_from(args);
  VORN_TRY(c.value, get_u128(*c.txn, "value"));
  VORN_TRY(c.block_time, get_u64(*c.txn, "block_time"));
  VORN_TRY(c.txhash, get_str(*c.txn, "txhash"));
  VORN_TRY(c.block, get_u64(*c.txn, "block"));
  VORN_TRY(c.logindex, get_u64(*c.txn, "logindex"));

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
