// Face bands and the issuance gate: every band boundary, the order of the reasons,
// the envelope's own checks, and NaN times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vorn/registry/issuance.h"

using namespace vorn;
using namespace vorn::registry;

namespace {

FaceUnits pow10(int k) {
  FaceUnits v = 1;
  while (k-- > 0) v *= 10;
  return v;
}

W scope_word(uint8_t tag) {
  W w;
  w.b[0] = 0x80;  // scope keys are full 256-bit Keccak words, often >= 2^255
  w.b[31] = tag;
  return w;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(FaceBand, EveryBoundary) {
  const FaceUnits max128 = ~FaceUnits(0);
  struct Case { FaceUnits face; int band; } cases[] = {
      {0, 1},
      {9'999'999, 1},
      {pow10(7), 2},
      {pow10(8) - 1, 2}, {pow10(8), 3},
      {pow10(9) - 1, 3}, {pow10(9), 4},
      {pow10(10) - 1, 4}, {pow10(10), 5},
      {pow10(11) - 1, 5}, {pow10(11), 6},
      {pow10(12) - 1, 6}, {pow10(12), 7},
      {pow10(13) - 1, 7}, {pow10(13), 8},
      {pow10(14) - 1, 8},  // 99 999 999 999 999
      {pow10(14), 9},
      {FaceUnits(UINT64_MAX), 9},
      {max128, 9},
  };
  for (const auto& c : cases) EXPECT_EQ(band_for_face(c.face), c.band) << static_cast<uint64_t>(c.face);
}

TEST(InsurerEnvelope, BuildChecksBandThenModels) {
  struct Case { uint8_t band; std::vector<uint8_t> models; const char* err; } cases[] = {
      {1, {}, nullptr},
      {8, {0, 1, 2}, nullptr},
      {8, {2, 2, 0}, nullptr},  // duplicates collapse into the set
      {0, {0}, kFaceBandOutOfRange},
      {9, {0}, kFaceBandOutOfRange},
      {255, {0}, kFaceBandOutOfRange},
      {4, {0, 3}, kUnknownDepreciationType},
      {4, {255}, kUnknownDepreciationType},
      {0, {3}, kFaceBandOutOfRange},  // the face band is checked first
  };
  for (const auto& c : cases) {
    InsurerEnvelopeItems items;
    items.face_band = c.band;
    items.dep_models = c.models;
    auto env = InsurerEnvelope::build(items);
    if (c.err) {
      ASSERT_FALSE(env.ok()) << int(c.band);
      EXPECT_EQ(env.error().msg, c.err) << int(c.band);
    } else {
      ASSERT_TRUE(env.ok()) << int(c.band);
      for (uint8_t t = 0; t < 5; ++t)
        EXPECT_EQ(env->has_dep_model(t), std::count(c.models.begin(), c.models.end(), t) > 0);
    }
  }
}

namespace {

// An attestation under which `admitted()` passes every test of the gate.
InsurerEnvelopeItems base_items() {
  InsurerEnvelopeItems it;
  it.good_standing = true;
  it.face_band = 4;
  it.dep_models = {0, 1};
  it.max_dep_rate = 500;
  it.max_premium_rate = 300;
  it.expiry = 1000.0;
  it.scopes = {scope_word(1), scope_word(2)};
  return it;
}

struct Request {
  W scope = scope_word(2);
  FaceUnits face = pow10(10) - 1;  // top of band 4
  uint8_t dep_type = 1;
  uint32_t dep_rate = 500;         // at the maximum
  uint32_t premium_rate = 300;     // at the maximum
  double now = 1000.0;             // at the expiry
};

std::string gate(const InsurerEnvelopeItems& items, const Request& q) {
  auto env = InsurerEnvelope::build(items);
  EXPECT_TRUE(env.ok());
  return std::string(check_issuance(*env, q.scope, q.face, q.dep_type, q.dep_rate, q.premium_rate, q.now));
}

}  // namespace

// Each row breaks one test and every test after it: the reason must be the first.
TEST(IssuanceGate, ReasonsComeInTheContractsOrder) {
  struct Case {
    const char* name;
    void (*edit)(InsurerEnvelopeItems&, Request&);
    const char* reason;
  } cases[] = {
      {"admitted at every maximum", [](InsurerEnvelopeItems&, Request&) {}, ""},
      {"everything wrong",
       [](InsurerEnvelopeItems& e, Request& q) {
         e.good_standing = false; q.now = 2000; q.scope = scope_word(9); q.face = pow10(14);
         q.dep_type = 2; q.dep_rate = 501; q.premium_rate = 301;
       },
       kNotInGoodStanding},
      {"expired and everything after",
       [](InsurerEnvelopeItems&, Request& q) {
         q.now = 1001; q.scope = scope_word(9); q.face = pow10(14); q.dep_type = 2; q.dep_rate = 501; q.premium_rate = 301;
       },
       kAttestationExpired},
      {"scope and everything after",
       [](InsurerEnvelopeItems&, Request& q) {
         q.scope = scope_word(9); q.face = pow10(14); q.dep_type = 2; q.dep_rate = 501; q.premium_rate = 301;
       },
       kScopeNotAttested},
      {"face and everything after",
       [](InsurerEnvelopeItems&, Request& q) { q.face = pow10(10); q.dep_type = 2; q.dep_rate = 501; q.premium_rate = 301; },
       kFaceAboveBand},
      {"model and both rates",
       [](InsurerEnvelopeItems&, Request& q) { q.dep_type = 2; q.dep_rate = 501; q.premium_rate = 301; },
       kDepModelNotAttested},
      {"both rates", [](InsurerEnvelopeItems&, Request& q) { q.dep_rate = 501; q.premium_rate = 301; }, kDepRateAboveMax},
      {"premium rate only", [](InsurerEnvelopeItems&, Request& q) { q.premium_rate = 301; }, kPremiumRateAboveMax},
  };
  for (const auto& c : cases) {
    InsurerEnvelopeItems items = base_items();
    Request q;
    c.edit(items, q);
    EXPECT_EQ(gate(items, q), c.reason) << c.name;
  }
}

TEST(IssuanceGate, BoundariesOfEachTest) {
  struct Case {
    const char* name;
    void (*edit)(InsurerEnvelopeItems&, Request&);
    const char* reason;
  } cases[] = {
      {"now one unit after expiry", [](InsurerEnvelopeItems&, Request& q) { q.now = 1001; }, kAttestationExpired},
      {"now just above expiry", [](InsurerEnvelopeItems&, Request& q) { q.now = std::nextafter(1000.0, 2000.0); },
       kAttestationExpired},
      {"now long before expiry", [](InsurerEnvelopeItems&, Request& q) { q.now = -kInf; }, ""},
      {"expiry infinite", [](InsurerEnvelopeItems& e, Request& q) { e.expiry = kInf; q.now = 1e300; }, ""},
      {"empty scope set", [](InsurerEnvelopeItems& e, Request&) { e.scopes.clear(); }, kScopeNotAttested},
      {"empty scope set, zero scope", [](InsurerEnvelopeItems& e, Request& q) { e.scopes.clear(); q.scope = W{}; },
       kScopeNotAttested},
      {"scope differs in the top byte only", [](InsurerEnvelopeItems&, Request& q) { q.scope.b[0] = 0x00; },
       kScopeNotAttested},
      {"face band 8 admits 10^14 - 1",
       [](InsurerEnvelopeItems& e, Request& q) { e.face_band = 8; q.face = pow10(14) - 1; }, ""},
      {"face band 8 refuses 10^14", [](InsurerEnvelopeItems& e, Request& q) { e.face_band = 8; q.face = pow10(14); },
       kFaceAboveBand},
      {"face band 1 admits 0", [](InsurerEnvelopeItems& e, Request& q) { e.face_band = 1; q.face = 0; }, ""},
      {"face band 1 refuses 10^7", [](InsurerEnvelopeItems& e, Request& q) { e.face_band = 1; q.face = pow10(7); },
       kFaceAboveBand},
      {"model 2 against {0, 1}", [](InsurerEnvelopeItems&, Request& q) { q.dep_type = 2; }, kDepModelNotAttested},
      {"model 2 against {0, 1, 2}", [](InsurerEnvelopeItems& e, Request& q) { e.dep_models = {0, 1, 2}; q.dep_type = 2; },
       ""},
      {"model 255 is simply not attested", [](InsurerEnvelopeItems&, Request& q) { q.dep_type = 255; },
       kDepModelNotAttested},
      {"no models attested", [](InsurerEnvelopeItems& e, Request& q) { e.dep_models.clear(); q.dep_type = 0; },
       kDepModelNotAttested},
      {"rates at uint32 max", [](InsurerEnvelopeItems& e, Request& q) {
         e.max_dep_rate = e.max_premium_rate = UINT32_MAX; q.dep_rate = q.premium_rate = UINT32_MAX; }, ""},
      {"zero maxima refuse 1", [](InsurerEnvelopeItems& e, Request& q) { e.max_dep_rate = 0; q.dep_rate = 1; },
       kDepRateAboveMax},
  };
  for (const auto& c : cases) {
    InsurerEnvelopeItems items = base_items();
    Request q;
    c.edit(items, q);
    EXPECT_EQ(gate(items, q), c.reason) << c.name;
  }
}

// An ordered comparison with NaN is false, so a NaN on either side never reads as
// expired; the later tests still apply.
TEST(IssuanceGate, NaNTimesCountAsNotExpired) {
  struct Case { double expiry, now; const char* reason; } cases[] = {
      {kNaN, 1e18, ""},
      {1000.0, kNaN, ""},
      {kNaN, kNaN, ""},
      {-kNaN, kInf, ""},
  };
  for (const auto& c : cases) {
    InsurerEnvelopeItems items = base_items();
    items.expiry = c.expiry;
    Request q;
    q.now = c.now;
    EXPECT_EQ(gate(items, q), c.reason);
    q.premium_rate = 301;
    EXPECT_EQ(gate(items, q), kPremiumRateAboveMax);
  }
}
