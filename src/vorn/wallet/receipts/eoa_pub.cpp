// "eoa-pub": a public payer's transfer to a private payee.
//
// Built from the payee's key ("payee" sk and E) and the nonce "t_self": the core
// (payer "public", payee "private", transaction "eoa-transfer" / "Transfer") and
// the payee's self-naming proof "payee_vd". Verified by the common steps alone (the
// parties and the payee's self-naming).
#include "vorn/wallet/args.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/check_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet::receipts {

namespace {

Result<Json> build(const Kind& kind, const Common& c, const Json&) {
  VORN_CHECK(require_payee_key(c));
  VORN_TRY(W t_self, get_w(*c.nonces, "t_self"));
  VdJobs jobs;
  VORN_CHECK(payee_self_vd(c, jobs, t_self));
  VORN_TRY(std::vector<Json> vds, jobs.prove_all(c.chainid));
  Json r = core_base(c, kind, txn_record(c, kind, nullptr), kRecipient);
  r.set("payee_vd", std::move(vds[0]));
  add_notes(c, r);
  return r;
}

// The parties and the payee's self-naming are all there is to check.
Result<Reason> verify(const Kind&, const Checked&) { return Reason(); }

}  // namespace

const Kind kEoaPub{"eoa-pub", kPublic, kPrivate, kEoaTransfer, kTransfer, build, verify};

}  // namespace vorn::wallet::receipts
