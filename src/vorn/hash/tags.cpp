#include "vorn/hash/tags.h"

#include "vorn/hash/keccak.h"

namespace vorn::hash {

namespace {

struct TagWords {
  std::array<W, kTagTable.size()> word;
  std::array<W, kTagTable.size()> scalar;

  TagWords() {
    for (size_t i = 0; i < kTagTable.size(); ++i) {
      word[i] = keccak_raw(as_bytes(kTagTable[i].text));
      scalar[i] = reduce_mod_r(word[i]);
    }
  }
};

// Built on first use; a function-local static is initialised exactly once even
// when several threads arrive together.
const TagWords& tag_words() {
  static const TagWords words;
  return words;
}

}  // namespace

const W& tag_word(Tag t) { return tag_words().word[static_cast<size_t>(t)]; }
const W& tag_scalar(Tag t) { return tag_words().scalar[static_cast<size_t>(t)]; }

}  // namespace vorn::hash
