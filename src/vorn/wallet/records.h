// Argument records shared by the wallet operations: parties, note openings, the
// signature and proof records, identity trees, Merkle paths, commitment and leaf
// lists, free-text notes; and the written forms of a verifiable-decryption proof
// and of a note opening.
//
// Readers only convert: words stay words and points stay coordinate pairs (nothing
// is reduced or decoded onto the curve here; the operation that uses a value applies
// those checks). Keys are read in the order each reader lists and the first failure
// is the one reported, with the reading family's messages (args.h) or the reader's
// own, named below.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/crypto/words.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

inline constexpr std::string_view kSkNotHexString = "args: sk must be a hex string";
inline constexpr std::string_view kCmsNotArray = "args: cms must be an array";
inline constexpr std::string_view kLeavesNotArray = "args: leaves must be an array";
inline constexpr std::string_view kLeafNotHex = "args: leaf must be hex";
inline constexpr std::string_view kSiblingsNotArray = "args: path.siblings must be an array";
inline constexpr std::string_view kSiblingNotHex = "args: sibling must be hex";
inline constexpr std::string_view kIndexBitsNotArray = "args: path.indexBits must be an array";
inline constexpr std::string_view kIndexBitNotBinary = "args: index bit must be 0 or 1";

/// A party of a payment as a wallet argument: its account address, canonical
/// identity text, identity point M, public key, and optionally its registered
/// ciphertext E and secret key sk (the secret never enters a receipt).
struct Party {
  W addr;
  std::string identity;
  G1Words m;
  G1Words pk;
  std::optional<CiphertextW> e;
  std::optional<W> sk;
};

/// The fields of a note (flavor, v, rho, idHash, predicate) as read, unchecked
/// apart from the flavor fitting in 64 bits.
struct NoteOpening {
  uint64_t flavor = 0;
  W v, rho, id_hash, predicate;
};

/// The proof records are the crypto layer's word forms (points as G1Words, fields
/// in the crypto record order), so what is read here goes straight to the provers
/// and verifiers.
using SchnorrRecord = crypto::words::SchnorrSigW;
using CpRecord = crypto::words::CpProofW;
using BindingRecord = crypto::words::IssuerReencProofW;
using VdRecord = crypto::words::VdProofW;

/// A Merkle path as read: the siblings from the leaf level up and the index bits
/// (each 0 or 1, least significant first).
struct PathRecord {
  std::vector<W> siblings;
  std::vector<uint8_t> bits;
};

/// The party under `key` ("payer" or "payee") of `args`: "addr" (hex word),
/// "identity" (string), "M", "pk" (points), optional "E" (ciphertext; absent when
/// missing, null or {}), optional "sk" (hex word; "args: sk must be a hex string"
/// when present but not a string). A missing party is "receipt: missing field".
Result<Party> party_from(const Json& args, std::string_view key);

/// A note opening (the record itself): "flavor" (hex word whose value must be below
/// 2^64, else "unknown flavor"), then "v", "rho", "idHash", "predicate" (hex words).
Result<NoteOpening> opening_from(const Json& rec);

// ---- the proof records, through the crypto layer's field tables (crypto/record.h)

/// A proof record read from its JSON object (the record itself): each field of its
/// table, in table order, under its key: scalars as hex words (`get_w`), points as
/// hex points (`get_g1`). The first failure is reported.
template <crypto::words::Record Rec>
Result<Rec> record_from(const Json& rec) {
  Rec out{};
  VORN_CHECK(crypto::words::each_field_until_error<Rec>([&](const auto& f) -> Status {
    using T = typename std::decay_t<decltype(f)>::Type;
    if constexpr (std::is_same_v<T, W>) {
      VORN_TRY(out.*f.word, get_w(rec, f.key));
    } else {
      static_assert(std::is_same_v<T, G1Words>);
      VORN_TRY(out.*f.word, get_g1(rec, f.key));
    }
    return ok_status();
  }));
  return out;
}

/// The JSON object of a proof record, the form `record_from` takes back: its fields
/// in table order, scalars as scalar_hex, points as g1_hex.
template <crypto::words::Record Rec>
Json record_json(const Rec& r) {
  Json o = Json::object();
  crypto::words::for_each_field<Rec>([&](const auto& f) {
    using T = typename std::decay_t<decltype(f)>::Type;
    if constexpr (std::is_same_v<T, W>) {
      o.set(f.key, Json::string(scalar_hex(r.*f.word)));
    } else {
      static_assert(std::is_same_v<T, G1Words>);
      o.set(f.key, g1_hex(r.*f.word));
    }
  });
  return o;
}

/// A Schnorr signature record (the record itself): "e", "s" (hex words), "R" (point).
Result<SchnorrRecord> schnorr_from(const Json& rec);

/// A Chaum-Pedersen proof record: "e", "s1", "s2" (hex words), "T1", "T2", "T3".
Result<CpRecord> cp_from(const Json& rec);

/// An issuer binding proof record: "e", "s_r", "s_b", "s_s", "s_g" (hex words), then
/// the points "A1".."A5", "Q", "U", "T".
Result<BindingRecord> binding_from(const Json& rec);

/// A verifiable-decryption proof record: "e", "s" (hex words), "T1", "T2" (points).
Result<VdRecord> vd_from(const Json& rec);

/// The commitment list under "cms" of `args`. A missing key or a value that is not
/// an array fails with "args: cms must be an array"; an element that is not a
/// string reads as the empty string and so fails with "hex word must be 1..64
/// nybbles"; otherwise the hex-word errors.
Result<std::vector<W>> cms_from(const Json& args);

/// The identity tree record `rec`: "depth" (unsigned 128-bit integer), then "leaves"
/// (array of hex words, "args: leaves must be an array"; elements as in cms_from),
/// built as an IdentityMerkleTree: its errors ("depth must be in [1, 32]", ...)
/// follow. The leaves are not reduced. When the parser read the leaves straight into
/// words, the tree reads them in place and must not outlive `rec`.
Result<notes::IdentityMerkleTree> tree_from(const Json& rec);

/// The Merkle path object itself (callers fetch it from their "path" key first):
/// "siblings" (array, else "args: path.siblings must be an array"; an element that
/// is not a string fails with "args: sibling must be hex", then the hex-word
/// errors), then "indexBits" (array, else "args: path.indexBits must be an array";
/// each element must be the JSON integer 0 or 1, else "args: index bit must be 0
/// or 1").
Result<PathRecord> path_from(const Json& path);

/// The leaf list under "leaves" of `args`: an array ("args: leaves must be an
/// array" when missing or not an array) of hex words (an element that is not a
/// string fails with "args: leaf must be hex", then the hex-word errors).
Result<std::vector<W>> hex_leaves(const Json& args);

/// When the parser read "leaves" of `args` straight into words (parse_args with a
/// word path), those words, after the failure hex_leaves would report for them;
/// nullptr for any other value (read it with hex_leaves). The words belong to
/// `args`.
Result<const std::vector<W>*> hex_leaf_words(const Json& args);

/// The free-text notes under "notes" of `args`: when it is an array, its string
/// elements in order (others skipped, so the list may be empty); when it is missing
/// or not an array, no list at all. Never fails.
std::optional<std::vector<std::string>> notes_from(const Json& args);

/// {"e", "s", "T1", "T2"}: e and s as scalar_hex, the points as g1_hex.
Json vd_json(const VdRecord& proof);

/// {"e", "s_r", "s_b", "s_s", "s_g", "A1".."A5", "Q", "U", "T"}: the scalars as
/// scalar_hex, the points as g1_hex. The form the readers above take back.
Json binding_json(const BindingRecord& proof);

/// {"flavor", "v", "rho", "idHash", "predicate"}: every field as a 64-digit hex word
/// (the flavor too), written as it is (not reduced).
Json opening_json(const NoteOpening& opening);

}  // namespace vorn::wallet
