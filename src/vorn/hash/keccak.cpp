#include "vorn/hash/keccak.h"

#include <cryptopp/keccak.h>

#include "vorn/bn254/encoding.h"

namespace vorn::hash {

static_assert(sizeof(W) == 32, "a word is exactly its 32 bytes, so a word array is one byte run");

namespace {

W finish(CryptoPP::Keccak_256& h) {
  W out;
  h.Final(out.data());
  return out;
}

}  // namespace

W keccak_raw(const uint8_t* p, size_t n) {
  CryptoPP::Keccak_256 h;
  h.Update(p, n);
  return finish(h);
}

W keccak_parts(std::initializer_list<Bytes> parts) {
  CryptoPP::Keccak_256 h;
  for (Bytes b : parts) h.Update(b.data(), b.size());
  return finish(h);
}

W keccak_prefixed(PrefixTag tag, std::initializer_list<Bytes> parts) {
  CryptoPP::Keccak_256 h;
  const std::string_view text = tag_text(tag.id);
  h.Update(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  for (Bytes b : parts) h.Update(b.data(), b.size());
  return finish(h);
}

W keccak_words(std::span<const W> words) {
  // The words lie back to back in memory: one update covers the whole list.
  static const uint8_t kNothing = 0;
  return keccak_raw(words.empty() ? &kNothing : words.front().data(), 32 * words.size());
}

W reduce_mod_r(const W& w) { return bn254::reduce_mod_order(w); }

W keccak_scalar(std::span<const W> words) { return reduce_mod_r(keccak_words(words)); }

W identity_scalar(std::string_view canonical) {
  return reduce_mod_r(keccak_prefixed(Tag::IdentityScalar, {as_bytes(canonical)}));
}

W batch_commitment(std::span<const W> cms) { return keccak_words(cms); }

}  // namespace vorn::hash
