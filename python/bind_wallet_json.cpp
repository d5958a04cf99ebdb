// vorn_wallet: canonical JSON, receipt id and the text envelope.
#include "frame.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/envelope.h"

namespace vorn::frame {
namespace {

// This file's shapes are its own objects, defined before the rows that use them
// (static initialisation runs in order within one file only).
const Shape kBytes{Shape::Kind::Bytes, {}};
const Shape kText{Shape::Kind::Text, {}};
const Shape kU64{Shape::Kind::U64, {}};

Result<Value> canonical_json_body(Args& a) { return text_result(wallet::canonical_json(a[0].str())); }

Result<Value> canonical_identity_data_body(Args& a) { return text_result(wallet::canonical_identity_data(a[0].str())); }

Result<Value> receipt_id_body(Args& a) { return Value::text(wallet::receipt_id(a[0].str(), a[1].u)); }

Result<Value> envelope_text_body(Args& a) { return Value::text(wallet::envelope_text(a[0].str(), a[1].u)); }

Result<Value> parse_envelope_body(Args& a) {
  VORN_TRY(std::string bytes, wallet::parse_envelope(a[0].str()));
  return Value::bytes(std::move(bytes));
}

Result<Value> envelope_header() { return Value::text(std::string(wallet::ENVELOPE_HEADER)); }
Result<Value> envelope_footer() { return Value::text(std::string(wallet::ENVELOPE_FOOTER)); }

const char* const M = "vorn_wallet";
RegisterConst c_header({M, "ENVELOPE_HEADER", envelope_header});
RegisterConst c_footer({M, "ENVELOPE_FOOTER", envelope_footer});
Register r_canonical_json({M, "canonical_json", {{"text", &kText}}, "", canonical_json_body});
Register r_canonical_identity_data({M, "canonical_identity_data", {{"fields_json", &kText}}, "",
                                    canonical_identity_data_body});
Register r_receipt_id({M, "receipt_id", {{"canonical", &kBytes}, {"prefix_len", &kU64, "12", Value::u64(12)}}, "",
                       receipt_id_body});
Register r_envelope_text({M, "envelope_text", {{"canonical", &kBytes}, {"width", &kU64, "64", Value::u64(64)}}, "",
                          envelope_text_body});
Register r_parse_envelope({M, "parse_envelope", {{"text", &kText}}, "", parse_envelope_body});

}  // namespace
}  // namespace vorn::frame
