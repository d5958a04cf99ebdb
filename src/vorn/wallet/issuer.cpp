#include "vorn/wallet/issuer.h"

#include <optional>

#include "vorn/crypto/elgamal.h"
#include "vorn/hash/keccak.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet {

namespace {

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

}  // namespace

Result<std::string> issue_credential(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  // The fields are used as parsed: writing them back to text and reading that text
  // again would give the same value, so no second parse is needed.
  VORN_TRY(const Json* fields_arg, get_field(args, "fields"));
  const Json* pk_arg = get_opt(args, "applicant_pk");
  const Json* r_arg = get_opt(args, "r_delivery");
  if (!pk_arg != !r_arg) return err(kDeliveryArgsTogether);
  VORN_TRY(const std::optional<W> r_delivery, opt_w(args, "r_delivery", kRDeliveryNotHex));
  std::optional<G1Words> applicant_pk;
  if (pk_arg) {
    VORN_TRY(applicant_pk, as_g1(*pk_arg));
  }
  if (!fields_arg->is_object()) return err(kFieldsNotObject);
  VORN_TRY(const W sk_x, get_w(args, "sk_x"));
  VORN_TRY(const W sk_y, get_w(args, "sk_y"));
  VORN_TRY(std::string issuer_id, get_str(args, "issuer_id"));
  VORN_TRY(const W t_sig, get_w(args, "t_sig"));

  Json fields = *fields_arg;
  fields.set("issuer_id", Json::string(std::move(issuer_id)));
  VORN_TRY(std::string canonical, canonical_json_value(fields));
  const W m = hash::identity_scalar(canonical);

  if (fr_of(t_sig).is_zero() | (r_delivery && fr_of(*r_delivery).is_zero())) return err(kZeroIssuerNonce);
  std::optional<G1Affine> pk;
  if (applicant_pk) {
    VORN_TRY(pk, decode_g1(*applicant_pk));
  }

  const Fr m_fr = fr_of(m);
  const crypto::PsSignature sig = crypto::ps_sign(fr_of(sk_x), fr_of(sk_y), m_fr, fr_of(t_sig));
  Json out = Json::object();
  out.set("canonical", Json::string(std::move(canonical)));
  out.set("m", Json::string(scalar_hex(m)));
  out.set("sigma_1", g1_hex(point_words(sig.sigma_1)));
  out.set("sigma_2", g1_hex(point_words(sig.sigma_2)));
  if (pk) {
    const G1Affine m_point = mul_g_ct(m_fr).to_affine();
    const crypto::Ciphertext delivery = crypto::elgamal_encrypt(m_point, *pk, fr_of(*r_delivery));
    out.set("delivery", ct_hex({point_words(delivery.R), point_words(delivery.C)}));
  }
  return compact_json(out);
}

}  // namespace vorn::wallet
