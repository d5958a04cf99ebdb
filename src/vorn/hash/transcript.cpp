#include "vorn/hash/transcript.h"

#include "vorn/hash/keccak.h"

namespace vorn::hash {

static W transcript_digest(std::span<const W> words, Tag tag) {
  static const uint8_t kNothing = 0;
  const uint8_t* p = words.empty() ? &kNothing : words.front().data();
  return keccak_parts({Bytes(p, 32 * words.size()), as_bytes(tag_word(tag))});
}

W Transcript::e() const { return reduce_mod_r(transcript_digest(words_, tag_)); }

bn254::Fr Transcript::e_fr() const { return bn254::Fr::from_w_reduce(transcript_digest(words_, tag_)); }

}  // namespace vorn::hash
