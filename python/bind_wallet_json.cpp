// vorn_wallet: canonical JSON, receipt id and the text envelope.
#include "bind.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/envelope.h"

namespace vorn::frame {
namespace {

// The envelope's payload is the canonical receipt's bytes.
Result<BytesOut> parse_envelope(std::string_view text) {
  VORN_TRY(std::string bytes, wallet::parse_envelope(text));
  return BytesOut{std::move(bytes)};
}

Result<Value> envelope_header() { return write(wallet::ENVELOPE_HEADER); }
Result<Value> envelope_footer() { return write(wallet::ENVELOPE_FOOTER); }

const char* const M = "vorn_wallet";
RegisterConst c_header({M, "ENVELOPE_HEADER", envelope_header});
RegisterConst c_footer({M, "ENVELOPE_FOOTER", envelope_footer});
Register r_canonical_json({M, "canonical_json", {{"text", &shape::Text}}, "", bind<wallet::canonical_json>()});
Register r_canonical_identity_data({M, "canonical_identity_data", {{"fields_json", &shape::Text}}, "",
                                    bind<wallet::canonical_identity_data>()});
Register r_receipt_id({M, "receipt_id",
                       {{"canonical", &shape::Bytes}, {"prefix_len", &shape::U64, "12", Value::u64(12)}}, "",
                       bind<wallet::receipt_id>()});
Register r_envelope_text({M, "envelope_text",
                          {{"canonical", &shape::Bytes}, {"width", &shape::U64, "64", Value::u64(64)}}, "",
                          bind<wallet::envelope_text>()});
Register r_parse_envelope({M, "parse_envelope", {{"text", &shape::Text}}, "", bind<parse_envelope>()});

}  // namespace
}  // namespace vorn::frame
