// Keccak-256 over bytes and words: the hash every EVM contract can recompute.
//
// This is Ethereum's Keccak-256 (rate 136 bytes, padding byte 0x01), not FIPS-202
// SHA3-256 (padding byte 0x06): the two give different digests. Words are hashed as
// their 32 big-endian bytes, back to back, with no length framing. None of these
// functions can fail; all run in time that depends on the input length only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "vorn/core/word.h"
#include "vorn/hash/tags.h"

namespace vorn::hash {

/// A contiguous run of bytes to absorb.
using Bytes = std::span<const uint8_t>;

/// The bytes of a text (no terminator).
inline Bytes as_bytes(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }
/// The 32 bytes of a word.
inline Bytes as_bytes(const W& w) { return {w.data(), 32}; }

/// Keccak-256 of `n` bytes (n may be 0).
W keccak_raw(const uint8_t* p, size_t n);
/// Keccak-256 of a byte string.
inline W keccak_raw(Bytes b) { return keccak_raw(b.data(), b.size()); }

/// Keccak-256 of the concatenation of `parts`, in order, without copying them.
W keccak_parts(std::initializer_list<Bytes> parts);

/// Keccak-256 of a tag's ASCII bytes immediately followed by `parts` (no separator,
/// no length): the "Keccak prefix" way of absorbing a domain tag.
W keccak_prefixed(PrefixTag tag, std::initializer_list<Bytes> parts);

/// Keccak-256 of the words concatenated (32*n bytes); the empty list hashes the
/// empty string.
W keccak_words(std::span<const W> words);

/// keccak_words reduced modulo r: a canonical scalar word in [0, r).
W keccak_scalar(std::span<const W> words);

/// The identity scalar of a canonical identity text: Keccak-256 of the tag
/// "VeltriaVorn/Identity/Scalar/v2" followed by the text's bytes, reduced modulo r.
/// Any text is accepted, the empty text included.
W identity_scalar(std::string_view canonical);

/// The batch commitment of note commitments: keccak_words of the list, NOT reduced
/// (the full 256-bit digest, which may be r or more).
W batch_commitment(std::span<const W> cms);

/// The word reduced modulo r (canonical, in [0, r)); bn254::reduce_mod_order under
/// this layer's name. Constant time.
W reduce_mod_r(const W& w);

}  // namespace vorn::hash
