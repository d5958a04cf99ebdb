// Runs a test body once on each Montgomery product path this processor has: the
// portable one, then the mulx/adx one where available. The run-time choice is
// restored afterwards.
#pragma once

#include "vorn/bn254/fields.h"

template <class Body>
void on_every_product_path(Body body) {
#ifdef VORN_BN254_HAVE_ADX
  namespace d = vorn::bn254::detail;
  const bool saved = d::g_use_adx;
  for (bool adx : {false, true}) {
    if (adx && !saved) continue;  // the processor has no mulx/adx
    d::g_use_adx = adx;
    body();
  }
  d::g_use_adx = saved;
#else
  body();
#endif
}
