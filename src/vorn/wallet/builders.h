// Receipt builders: the five receipt kinds assembled from named JSON arguments.
// The code is in receipts/: build.cpp reads the common arguments and hands the rest
// to the kind's file (receipts/kinds.h lists the kinds).
//
// A receipt documents one on-chain payment between two named parties: the core
// record (version, type, chain id, contracts, payer, payee, transaction, role), the
// zero-knowledge proofs a third party checks without any secret (verify.h), and
// free-text notes. It is returned as canonical JSON, the byte form that receipt ids
// hash and envelopes armour. The builders draw no randomness: every proof nonce
// comes from the "nonces" argument, so equal arguments give byte-identical text.
//
// Kinds (payer / payee party kinds, transaction event):
//   "eoa-pub"  public / private, "Transfer"        "payee_vd"
//   "eoa-priv" private / private, "Transfer"       "proof" {approve, vd_payer}, "payee_vd"
//   "note-a1"  public / private, "SpentCoupledA1"  "note", "proof", "payee_vd" (recipient)
//   "note-a2"  private / private, "SpentCoupledA2" "note", "proof", "payee_vd" (recipient)
//              or "payer_vd" (issuer), "issuer_binding_status", "issuer_binding"
//   "note-b1"  public / private, "SpentCoupledB1"  "note", "proof", "payee_vd" (recipient)
//              or "vd_payee" (issuer)
//
// Values are written as the argument records read them (records.h): scalars and
// addresses reduced modulo r, points and ciphertexts as hex words, integers as JSON
// numbers. A verifiable-decryption proof is bound to the account word exactly as
// the receipt writes it, so a receipt always verifies against its own fields.
#pragma once

#include <string>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

inline constexpr std::string_view kUnknownReceiptKind = "args: unknown receipt kind";
inline constexpr std::string_view kUnknownReceiptRole = "unknown receipt role";
inline constexpr std::string_view kPayerERequired = "args: payer.E required";
inline constexpr std::string_view kPayeeSkRequired = "args: payee.sk required";
inline constexpr std::string_view kPayeeERequired = "args: payee.E required";
inline constexpr std::string_view kTvdNotHexString = "args: t_vd must be a hex string";
inline constexpr std::string_view kRecipientNeedsKRecv = "addressed recipient receipt needs k_recv";
inline constexpr std::string_view kIssuerNeedsMintRandomness =
    "addressed issuer receipt needs the mint randomness (r_note, r_id)";
inline constexpr std::string_view kA1RecipientNeedsPayeeKey = "note-a1 recipient receipt needs payee_sk + payee_E_addr";
inline constexpr std::string_view kA2RecipientNeedsPayeeKey = "note-a2 recipient receipt needs payee_sk + payee_E_addr";
inline constexpr std::string_view kA2IssuerNeedsKey = "note-a2 issuer receipt needs issuer_sk";
inline constexpr std::string_view kA2BindingNeedsGamma =
    "note-a2 receipt with a binding needs gamma, which ties it to the named issuer";
inline constexpr std::string_view kB1RecipientNeedsPayeeKey = "note-b1 recipient receipt needs payee_sk + payee_E_addr";
inline constexpr std::string_view kB1IssuerNeedsKey = "note-b1 issuer receipt needs eDepForIss + issuer_sk";
/// A proof nonce that is zero modulo r would publish its secret key in the receipt
/// (s = e*sk), and two proofs sharing a nonce under one key publish that key too;
/// such nonces are refused before any proof is made.
inline constexpr std::string_view kUnsafeNonces = "args: proof nonces must be nonzero and pairwise distinct mod ORDER";

/// Builds the receipt of kind "kind" from the argument text and returns its
/// canonical JSON text. Arguments are read in this order: "kind", "role" (note
/// kinds; missing or not a string means "recipient"), "chainid", "contracts",
/// "payer", "payee", "txn", "nonces", "notes", then from "txn" "value",
/// "block_time", "txhash", "block", "logindex"; then the kind's own arguments. The
/// first failure is returned: the reading errors of args.h and records.h, the
/// messages above, "canonical_json: floats are not canonical" (a float in
/// "contracts" or "mailbox_binding"), and the decoding errors of the provers
/// (malformed ciphertexts or points). The integers "chainid", "block_time",
/// "block", "logindex" and "mint_block" must fit in 64 bits ("receipt: integer out
/// of range" otherwise), since a receipt carries them as 64-bit values. Secret keys
/// and nonces are used only by constant-time code.
Result<std::string> build_receipt(std::string_view args_json);

/// The same on parsed arguments, returning the receipt as a JSON value.
Result<Json> build_receipt_value(const Json& args);

}  // namespace vorn::wallet
