// libFuzzer target for canonical JSON. For any input text:
//   - canonical_json either gives a text that is its own canonical form, or fails
//     with "invalid JSON" / "floats are not canonical";
//   - canonical_identity_data agrees with it: the same text for an object, "expected
//     a JSON object" for any other value, its own "invalid JSON" for the same inputs;
//   - the argument parser accepts exactly the texts canonical_json can parse.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"

namespace w = vorn::wallet;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::as_text(data, size);
  auto c = w::canonical_json(text);
  auto id = w::canonical_identity_data(text);
  const bool parses = w::parse_args(text).ok();

  if (c.ok()) {
    require(parses);
    auto again = w::canonical_json(*c);
    require(again.ok() && *again == *c);
    if (!c->empty() && (*c)[0] == '{') {
      require(id.ok() && *id == *c);
    } else {
      require(!id.ok() && id.error().msg == w::kIdentityDataNotObject);
    }
    return 0;
  }
  const std::string& msg = c.error().msg;
  if (msg == w::kCanonicalInvalidJson) {
    require(!parses);
    require(!id.ok() && id.error().msg == w::kIdentityDataInvalidJson);
  } else {
    require(msg == w::kCanonicalFloats && parses);
    require(!id.ok() && (id.error().msg == w::kCanonicalFloats || id.error().msg == w::kIdentityDataNotObject));
  }
  return 0;
}
