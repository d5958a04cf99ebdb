// libFuzzer target for the receipt envelope and receipt ids. For any input:
//   - parse_envelope gives bytes or fails with one of its two messages; bytes it
//     gives come back unchanged from envelope_text at any line width;
//   - the input itself, as bytes, survives envelope_text then parse_envelope;
//   - receipt_id gives min(prefix_len, 52) characters of lower-case base32.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "vorn/wallet/envelope.h"

namespace w = vorn::wallet;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::as_text(data, size);
  const uint64_t width = size ? data[0] % 80 : 0;

  auto bytes = w::parse_envelope(text);
  if (bytes.ok()) {
    for (uint64_t wd : {uint64_t{0}, uint64_t{1}, width, uint64_t{64}}) {
      auto back = w::parse_envelope(w::envelope_text(*bytes, wd));
      require(back.ok() && *back == *bytes);
    }
  } else {
    fuzz::require_plain_error(bytes.error());
  }

  auto round = w::parse_envelope(w::envelope_text(text, width));
  require(round.ok() && *round == text);

  const std::string id = w::receipt_id(text, width);
  require(id.size() == std::min<uint64_t>(width, 52));
  require(std::all_of(id.begin(), id.end(), [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= '2' && ch <= '7'); }));
  return 0;
}
