// The receipt kinds. Each kind lives in one file of this folder (eoa_pub.cpp,
// eoa_priv.cpp, note_a1.cpp, note_a2.cpp, note_b1.cpp) holding how it is built, how
// it is verified and the keys it reads and writes; this table is how the builder
// (build.cpp) and the verifier (verify.cpp) find it by name. The parts every kind
// shares sit in build_parts.h and check_parts.h.
//
// A kind's name is the builder's "kind" argument and the receipt's "type"; each name
// is written once, in its kind's file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet::receipts {

// The two roles: who holds the receipt.
inline constexpr std::string_view kRecipient = "recipient";
inline constexpr std::string_view kIssuer = "issuer";

// The party kinds a receipt records.
inline constexpr std::string_view kPublic = "public";
inline constexpr std::string_view kPrivate = "private";

// The transaction kinds a receipt records.
inline constexpr std::string_view kEoaTransfer = "eoa-transfer";
inline constexpr std::string_view kNoteSpend = "note-spend";
/// The event of both account-to-account kinds.
inline constexpr std::string_view kTransfer = "Transfer";

/// The first leg of an addressed note (A1, A2): the proof that eNote opens to v*G.
inline constexpr std::string_view kNoteLeg = "vdNote";

struct Common;      // the builder's common arguments (build_parts.h)
struct Checked;     // the verifier's common reading (check_parts.h)
struct NoteFlavor;  // the note kinds' verification steps (check_parts.h)

/// A failed check's reason, or nothing when the check passed.
using Reason = std::optional<std::string>;

struct Kind {
  std::string_view name;                    // "type" of the receipt
  std::string_view payer_kind, payee_kind;  // the parties' "kind"
  std::string_view txn_kind, event;         // the transaction's "kind" and "event"
  /// Reads the kind's own arguments (after the common ones) and writes the receipt.
  Result<Json> (*build)(const Kind& kind, const Common& c, const Json& args);
  /// The kind's checks after the parties and the holder's self-naming.
  Result<Reason> (*verify)(const Kind& kind, const Checked& in);
  /// The note kinds' steps; null for the account-to-account kinds.
  const NoteFlavor* note = nullptr;
};

extern const Kind kEoaPub;
extern const Kind kEoaPriv;
extern const Kind kNoteA1;
extern const Kind kNoteA2;
extern const Kind kNoteB1;

/// The kind of that name, or null.
const Kind* find_kind(std::string_view name);

}  // namespace vorn::wallet::receipts
