// Shapes shared by the signature, encryption and proof bindings.
#pragma once

#include "frame.h"
#include "vorn/crypto/words.h"

namespace vorn::frame::crypto_bind {

/// The shape of a Schnorr signature argument: (e, s, (R.x, R.y)).
inline constexpr Shape kSchnorrSig{Shape::Kind::Tuple, {&shape::Int, &shape::Int, &shape::G1}};

}  // namespace vorn::frame::crypto_bind
