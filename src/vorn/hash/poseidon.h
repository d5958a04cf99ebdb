// Poseidon over the BN254 scalar field, exactly as circomlib defines it for 1 to 16
// inputs (state widths t = 2 to 17, x^5 S-box, 8 full rounds and the circomlib
// partial-round counts, the circomlib round constants and MDS matrices).
//
// The state is [0, x_1, ..., x_n]; each round adds its constants, applies x^5 to
// every element (full rounds: the first and last four) or to the first only
// (partial rounds), and multiplies by the MDS matrix; the hash is the first element.
// `poseidon` computes exactly that in an equivalent rewritten form: round constants
// are added through the matrix products of the round before, and the partial rounds,
// whose S-box touches one element only, become a linear recurrence on the values
// entering and leaving that S-box (2t - 1 products with one modular reduction per
// round), after which the other t - 1 elements are rebuilt from the last few values.
// `poseidon_plain_fr` is the round-by-round reference form. Both run in time
// independent of the inputs.
//
// The parameter sets are built once per process, on first use, under a one-time
// initialisation guard, and read without locking afterwards.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vorn/bn254/fields.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/hash/tags.h"

namespace vorn::hash {

inline constexpr const char* kPoseidonArityError = "poseidon arity must be 1..16";
inline constexpr const char* kPoseidonConstantOutOfField = "poseidon constant out of field";
inline constexpr const char* kPoseidonTableShape = "poseidon table has the wrong shape";

/// One width's constants, in the plain form and in the recurrence form.
struct PoseidonParams {
  unsigned t = 0;               // state width, number of inputs + 1
  unsigned partial_rounds = 0;  // R_P
  // Plain form.
  std::vector<bn254::Fr> rc;   // (8 + R_P) * t round constants, round k position i at k*t + i
  std::vector<bn254::Fr> mds;  // t * t, entry (i, j) at i*t + j
  // Recurrence form (see poseidon.cpp). `fast` is false when it does not exist (the
  // first row of the matrix does not determine the other elements through the
  // partial rounds, or more partial rounds than the form is built for); `poseidon`
  // then runs the plain form.
  bool fast = false;
  std::vector<bn254::Fr> mix_add;       // 8 * t: added to the matrix products of each full round
  std::vector<bn254::Fr> partial_rows;  // per partial round r, its coefficient row: t - 1 + 2r entries for
                                        // r < t - 1, then 2(t - 1), and 2t - 1 for the last round
  std::vector<bn254::Fr> partial_add;   // R_P: added to the value each partial round produces
  std::vector<bn254::Fr> tail;          // (t - 1) * 2(t - 1): rows rebuilding elements 1.. after the partial rounds
  std::vector<bn254::Fr> tail_add;      // t - 1: added to those rows
};

/// Builds one width's parameters from canonical limb tables (least significant limb
/// first): `rc` holds (8 + partial_rounds) * t entries, `mds` t * t. A value not
/// below r is the internal invariant failure "poseidon constant out of field".
Result<PoseidonParams> build_poseidon_params(unsigned t, unsigned partial_rounds, std::span<const uint64_t[4]> rc,
                                             std::span<const uint64_t[4]> mds);

/// The 16 parameter sets of the built-in circomlib tables (PARAMS), entry n-1 for n
/// inputs. Built once per process; an invariant error if a stored constant is not
/// below r (never, with the built-in tables).
Result<const std::vector<PoseidonParams>*> poseidon_params();

/// Poseidon of 1..16 field elements. Fails with "poseidon arity must be 1..16" for 0
/// or more than 16 inputs. Constant time in the input values.
Result<bn254::Fr> poseidon_fr(std::span<const bn254::Fr> inputs);

/// Poseidon of 1..16 words, each reduced modulo r first (inputs of r or more are
/// accepted); the result is a canonical scalar word. Errors as poseidon_fr.
Result<W> poseidon(std::span<const W> inputs);

/// Poseidon of the tag scalar followed by 0..15 items (the domain-tagged hashes).
/// Fails with "poseidon arity must be 1..16" when more than 15 items are given.
Result<bn254::Fr> poseidon_tagged_fr(PoseidonTag tag, std::span<const bn254::Fr> items);

/// The plain round-by-round form for one parameter set (the reference for tests and
/// the fallback of `poseidon`). Fails with "poseidon arity must be 1..16" unless
/// exactly p.t - 1 inputs are given; a parameter set whose tables do not have the
/// sizes its width and round count call for (never one from build_poseidon_params)
/// is the internal invariant failure "poseidon table has the wrong shape".
Result<bn254::Fr> poseidon_plain_fr(const PoseidonParams& p, std::span<const bn254::Fr> inputs);

/// The recurrence form for one parameter set (the plain form when p.fast is false or
/// the recurrence tables do not have their sizes). Fails like poseidon_plain_fr.
Result<bn254::Fr> poseidon_fast_fr(const PoseidonParams& p, std::span<const bn254::Fr> inputs);

/// Hashes consecutive groups of p.t - 1 elements: outputs[k] = poseidon_fast_fr(p,
/// inputs[k*(p.t-1) .. (k+1)*(p.t-1))), two hashes advanced together where the width
/// allows, so their products overlap. Output k may share storage with inputs at
/// positions k*(p.t-1) and beyond (a Merkle level can be hashed in place, output j over
/// input j). Fails with "poseidon arity must be 1..16" unless inputs.size() ==
/// outputs.size() * (p.t - 1), and otherwise like poseidon_fast_fr; a failure writes
/// no output. Constant time in the input values.
Status poseidon_fast_fr_many(const PoseidonParams& p, std::span<const bn254::Fr> inputs, std::span<bn254::Fr> outputs);

}  // namespace vorn::hash
