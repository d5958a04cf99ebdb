// The domain tags of the library, in one table.
//
// Every hash the library computes is separated by a versioned ASCII tag of the form
// VeltriaVorn/<area>/<name>/v2. Each tag is absorbed in exactly one way:
//   - KeccakPrefix: the tag's bytes begin the Keccak-256 input, the hashed bytes follow;
//   - Transcript:   the tag word (Keccak-256 of the tag) is the last transcript word;
//   - Poseidon:     the tag scalar (the tag word reduced mod r) is the first input.
// The typed handles PrefixTag, TranscriptTag and PoseidonTag check at compile time
// that a tag is used the way the table says.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "vorn/core/word.h"

namespace vorn::hash {

enum class Tag : uint8_t {
  IdentityScalar,
  PedersenH,
  IssuerSchnorr,
  Register,
  Approve,
  VerifiableDecrypt,
  IdentityOpening,
  IssuerReenc,
  DepositorBinding,
  NoteCommitment,
  Nullifier,
  IdHash,
  LeafIdentity,
  LeafIdentitySalted,
  LeafReceiving,
  LeafMailbox,
  Salt,
  ReceivingKey,
  PayloadWrap,
};

enum class Absorb : uint8_t { KeccakPrefix, Transcript, Poseidon };

struct TagDef {
  Tag tag;
  std::string_view text;
  Absorb absorb;
};

/// Every domain tag, in the order of the enum.
inline constexpr std::array<TagDef, 19> kTagTable = {{
    {Tag::IdentityScalar, "VeltriaVorn/Identity/Scalar/v2", Absorb::KeccakPrefix},
    {Tag::PedersenH, "VeltriaVorn/Pedersen/H/v2", Absorb::KeccakPrefix},
    {Tag::IssuerSchnorr, "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerSchnorr/v2", Absorb::Transcript},
    {Tag::Register, "VeltriaVorn/FiatShamir/IdentityRegistry/Register/v2", Absorb::Transcript},
    {Tag::Approve, "VeltriaVorn/FiatShamir/IdentityRegistry/Approve/v2", Absorb::Transcript},
    {Tag::VerifiableDecrypt, "VeltriaVorn/FiatShamir/Receipt/VerifiableDecrypt/v2", Absorb::Transcript},
    {Tag::IdentityOpening, "VeltriaVorn/FiatShamir/IdentityRegistry/IdentityOpening/v2", Absorb::Transcript},
    {Tag::IssuerReenc, "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerReenc/v2", Absorb::Transcript},
    {Tag::DepositorBinding, "VeltriaVorn/FiatShamir/IdentityRegistry/DepositorBinding/v2", Absorb::Transcript},
    {Tag::NoteCommitment, "VeltriaVorn/Notes/Commitment/v2", Absorb::Poseidon},
    {Tag::Nullifier, "VeltriaVorn/Notes/Nullifier/v2", Absorb::Poseidon},
    {Tag::IdHash, "VeltriaVorn/Notes/IdHash/v2", Absorb::Poseidon},
    {Tag::LeafIdentity, "VeltriaVorn/Accumulator/Leaf/Identity/v2", Absorb::Poseidon},
    {Tag::LeafIdentitySalted, "VeltriaVorn/Accumulator/Leaf/IdentitySalted/v2", Absorb::Poseidon},
    {Tag::LeafReceiving, "VeltriaVorn/Accumulator/Leaf/Receiving/v2", Absorb::Poseidon},
    {Tag::LeafMailbox, "VeltriaVorn/Accumulator/Leaf/Mailbox/v2", Absorb::Poseidon},
    {Tag::Salt, "VeltriaVorn/Accumulator/Salt/v2", Absorb::Poseidon},
    {Tag::ReceivingKey, "VeltriaVorn/Notes/ReceivingKey/v2", Absorb::KeccakPrefix},
    {Tag::PayloadWrap, "VeltriaVorn/Notes/PayloadWrap/v2", Absorb::KeccakPrefix},
}};

namespace detail {
constexpr bool tag_table_in_enum_order() {
  for (size_t i = 0; i < kTagTable.size(); ++i)
    if (static_cast<size_t>(kTagTable[i].tag) != i) return false;
  return true;
}
}  // namespace detail
static_assert(detail::tag_table_in_enum_order(), "kTagTable rows must follow the Tag enum");

/// The table row of a tag.
constexpr const TagDef& tag_def(Tag t) { return kTagTable[static_cast<size_t>(t)]; }
/// The tag's ASCII text.
constexpr std::string_view tag_text(Tag t) { return tag_def(t).text; }

/// The tag word: Keccak-256 of the tag's bytes, not reduced. Computed once per
/// process for all tags (thread-safe), then a table read.
const W& tag_word(Tag t);
/// The tag scalar: the tag word reduced modulo r (canonical). Computed once, like
/// tag_word.
const W& tag_scalar(Tag t);

namespace detail {
template <Absorb A>
struct TypedTag {
  Tag id;
  // Implicit and compile-time only: a tag absorbed another way does not compile.
  consteval TypedTag(Tag t) : id(t) {
    if (tag_def(t).absorb != A) throw "this tag is absorbed another way";
  }
};
}  // namespace detail

/// A tag that prefixes Keccak-256 input.
using PrefixTag = detail::TypedTag<Absorb::KeccakPrefix>;
/// A tag that closes a Fiat-Shamir transcript.
using TranscriptTag = detail::TypedTag<Absorb::Transcript>;
/// A tag that enters Poseidon as its first input.
using PoseidonTag = detail::TypedTag<Absorb::Poseidon>;

}  // namespace vorn::hash
