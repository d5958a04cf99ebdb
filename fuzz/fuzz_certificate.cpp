// libFuzzer target for the certificate readers. Every input goes through both the
// signed-wire and the sealed-envelope reader; a reader may refuse, but it must never
// read outside its input (AddressSanitizer), and whatever it accepts must survive a
// write/read round trip:
//   - a signed wire re-serializes to exactly the bytes it was read from (its prefix);
//   - a sealed envelope re-serializes to an envelope that reads back to the same record;
//   - verifying what was read, and unsealing it with a fixed key, give an answer or an
//     ordinary error (a header point off the curve, another client's envelope).
#include <cstdint>
#include <cstring>
#include <span>

#include "vorn/registry/certificate.h"
#include "vorn/registry/certificate_ops.h"

using namespace vorn::registry;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> in(data, size);

  auto sc = read_signed_certificate(in);
  if (sc.ok()) {
    auto wire = write_signed_certificate(*sc);
    if (!wire.ok() || wire->size() > size || std::memcmp(wire->data(), data, wire->size()) != 0) __builtin_trap();
    auto verdict = registry_verify_certificate(*sc, vorn::W::from_u64(31337));
    if (!verdict.ok() && (verdict.error().panic || verdict.error().msg.empty())) __builtin_trap();
  } else if (sc.error().msg != kWireTruncated && sc.error().msg != kWireInvalidUtf8) {
    __builtin_trap();
  }

  auto sealed = read_sealed_certificate(in);
  if (sealed.ok()) {
    auto env = write_sealed_certificate(*sealed);
    if (!env.ok() || env->size() > size) __builtin_trap();
    auto again = read_sealed_certificate(*env);
    if (!again.ok() || !(*again == *sealed)) __builtin_trap();
    auto opened = unseal_certificate(*sealed, vorn::W::from_u64(0xC11E));
    if (!opened.ok() && (opened.error().panic || opened.error().msg.empty())) __builtin_trap();
  } else if (sealed.error().msg != kWireTruncated && sealed.error().msg != kWireInvalidUtf8) {
    __builtin_trap();
  }
  return 0;
}
