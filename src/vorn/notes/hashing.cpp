#include "vorn/notes/hashing.h"

#include <array>
#include <span>

#include "vorn/bn254/fields.h"
#include "vorn/hash/poseidon.h"

namespace vorn::notes {

Result<W> tagged_hash(hash::PoseidonTag tag, std::initializer_list<W> items) {
  constexpr size_t kMaxItems = 15;
  if (items.size() > kMaxItems) return IdError{hash::kPoseidonArityError};
  std::array<bn254::Fr, kMaxItems> x;
  size_t n = 0;
  for (const W& w : items) x[n++] = bn254::Fr::from_w_reduce(w);
  VORN_TRY(bn254::Fr h, hash::poseidon_tagged_fr(tag, std::span<const bn254::Fr>(x.data(), n)));
  return h.to_w();
}

}  // namespace vorn::notes
