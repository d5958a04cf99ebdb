// verify_receipt: the role, the parties and the holder's self-naming, then the
// kind's own checks (kinds.h), then the qualifiers of a passing receipt.
#include "vorn/wallet/verify.h"

#include "vorn/hash/keccak.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/receipts/check_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet {

namespace {

using receipts::Checked;
using receipts::kIssuer;
using receipts::kRecipient;
using receipts::Reason;
using receipts::ReceiptParty;
using receipts::reason;
using receipts::VdCheck;

constexpr std::string_view kUnverifiedIssuer = "UNVERIFIED ISSUER";
constexpr std::string_view kUnverifiedRecipient = "UNVERIFIED RECIPIENT";
constexpr std::string_view kQualifierJoin = " + ";

constexpr std::string_view kIssuerSideNotesOnly = ": issuer-side receipts exist for Notes only";
constexpr std::string_view kUnknownRolePrefix = "unknown receipt role: ";
constexpr std::string_view kUnknownTypePrefix = "unknown receipt type: ";
constexpr std::string_view kPayerPointMismatch = "payer M != keccak(identity)\u00b7G";
constexpr std::string_view kPayeePointMismatch = "payee M != keccak(identity)\u00b7G";
constexpr std::string_view kMissingPayeeSelfNaming = "missing payee self-naming proof";
constexpr std::string_view kMissingPayerSelfNaming = "missing payer self-naming proof";
constexpr std::string_view kPayeeSelfNamingPrefix = "payee self-naming: ";
constexpr std::string_view kPayerSelfNamingPrefix = "payer self-naming: ";

// self_naming_ok
constexpr std::string_view kChainidMismatch = "chainid mismatch";
constexpr std::string_view kAccountMismatch = "account mismatch";
constexpr std::string_view kNamedMMismatch = "named M mismatch";
constexpr std::string_view kNotRegisteredE = "ciphertext is not the registered E_addr";
constexpr std::string_view kVdFails = "vd fails";

// The stages of a receipt's road, each a read into typed values and then its checks:
// the header (type, role, chainid) and whether the role fits the type; the parties
// and their identity points; the holder's self-naming; the kind's own checks; the
// qualifiers and the value.

struct Header {
  std::string type;
  std::optional<std::string> role;  // absent means "recipient"
  U128 chainid = 0;
};
constexpr auto kHeaderKeys = std::tuple{
    Key{"type", get_str, &Header::type},
    Key{"role", opt_str, &Header::role},
    Key{"chainid", get_u128, &Header::chainid}};

struct Parties {
  ReceiptParty payer, payee;
};
constexpr auto kPartyKeys = std::tuple{
    Key{"payer", receipts::party, &Parties::payer},
    Key{"payee", receipts::party, &Parties::payee}};

Reason check_point_identity(const ReceiptParty& p, std::string_view mismatch) {
  if (mul_g_words(hash::identity_scalar(p.identity)) != p.m) return std::string(mismatch);
  return std::nullopt;
}

// The self-naming proof of `p`: its registered ciphertext opens to its own M under
// its key, bound to its address and this chain.
Result<Reason> self_naming_ok(const Json& record, const ReceiptParty& p, U128 chainid) {
  VORN_TRY(VdCheck v, receipts::vd_from_record(record));
  if (v.chainid != chainid) return reason(kChainidMismatch);
  if (v.account != p.addr) return reason(kAccountMismatch);
  if (v.m_named != p.m) return reason(kNamedMMismatch);
  if (!p.e || v.e_ct != *p.e) return reason(kNotRegisteredE);
  VORN_TRY(bool ok, receipts::vd_verifies(v, p.pk));
  if (!ok) return reason(kVdFails);
  return Reason();
}

}  // namespace

Json rcpt_json(const RcptResult& r) {
  Json o = Json::object();
  o.set("identity_M", r.identity_m ? g1_hex(*r.identity_m) : Json::null());
  o.set("ok", Json::boolean(r.ok));
  o.set("reason", Json::string(r.reason));
  o.set("value", r.value ? Json::string(scalar_hex(*r.value)) : Json::null());
  return o;
}

Result<RcptResult> verify_receipt_core(const Json& core) {
  VORN_TRY(const Header header, read_keys(core, kHeaderKeys));
  const std::string& type = header.type;
  const std::string role = header.role.value_or(std::string(kRecipient));
  const U128 chainid = header.chainid;
  const receipts::Kind* kind = receipts::find_kind(type);
  const receipts::NoteFlavor* note = kind ? kind->note : nullptr;

  if (role == kIssuer) {
    if (!note) return RcptResult::fail(type + std::string(kIssuerSideNotesOnly));
  } else if (role != kRecipient) {
    return RcptResult::fail(std::string(kUnknownRolePrefix) + role);
  }

  VORN_TRY(const Parties parties, read_keys(core, kPartyKeys));
  const ReceiptParty &payer = parties.payer, &payee = parties.payee;
  if (Reason r = check_point_identity(payer, kPayerPointMismatch)) return RcptResult::fail(*r);
  if (Reason r = check_point_identity(payee, kPayeePointMismatch)) return RcptResult::fail(*r);

  if (role == kRecipient) {
    const Json* vd = get_opt(core, "payee_vd");
    if (!vd) return RcptResult::fail(std::string(kMissingPayeeSelfNaming));
    VORN_TRY(Reason r, self_naming_ok(*vd, payee, chainid));
    if (r) return RcptResult::fail(std::string(kPayeeSelfNamingPrefix) + *r);
  } else if (payer.kind == receipts::kPrivate) {
    const Json* vd = get_opt(core, "payer_vd");
    if (!vd) return RcptResult::fail(std::string(kMissingPayerSelfNaming));
    VORN_TRY(Reason r, self_naming_ok(*vd, payer, chainid));
    if (r) return RcptResult::fail(std::string(kPayerSelfNamingPrefix) + *r);
  }

  if (!kind) return RcptResult::fail(std::string(kUnknownTypePrefix) + type);
  VORN_TRY(Reason failed, kind->verify(*kind, Checked{core, role, chainid, payer, payee}));
  if (failed) return RcptResult::fail(std::move(*failed));

  std::string qualifiers;
  auto qualify = [&](std::string_view q) {
    if (!qualifiers.empty()) qualifiers += kQualifierJoin;
    qualifiers += q;
  };
  if (note && note->binding_optional && !get_opt(core, "issuer_binding")) qualify(kUnverifiedIssuer);
  if (note && note->addressed() && role == kIssuer) {
    const Json* note_json = core.find("note");
    if (!note_json || !get_opt(*note_json, "binding")) qualify(kUnverifiedRecipient);
  }
  VORN_TRY(const Json* txn, get_field(core, "txn"));
  VORN_TRY(U128 value, get_u128(*txn, "value"));
  return RcptResult{true, qualifiers.empty() ? std::string(kValid) : qualifiers, payer.m,
                    receipts::w_from_u128(value)};
}

Result<std::string> verify_receipt(std::string_view core_text) {
  Result<Json> core = parse_json(core_text);
  if (!core) return err(kCoreNotJson);
  if (!core->is_object()) return err(kCoreNotObject);
  VORN_TRY(RcptResult r, verify_receipt_core(*core));
  return compact_json(rcpt_json(r));
}

}  // namespace vorn::wallet
