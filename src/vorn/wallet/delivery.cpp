#include "vorn/wallet/delivery.h"

#include <optional>
#include <vector>

#include "vorn/core/ct.h"
#include "vorn/crypto/elgamal.h"
#include "vorn/hash/keccak.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet {

namespace {

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

using notes::kFlavorA1;
using notes::kFlavorA2;

// The labels of the wrapped fields; the record key is the label followed by
// "Wrapped".
constexpr std::string_view kLabelRho = "rho";
constexpr std::string_view kLabelV = "v";
constexpr std::string_view kLabelRNote = "rNote";
constexpr std::string_view kLabelRPrime = "rPrime";
constexpr std::string_view kLabelSaltIss = "saltIss";
constexpr std::string_view kLabelGamma = "gamma";

std::string wrapped_key(std::string_view label) { return std::string(label) + "Wrapped"; }

// Masks under one shared point.
class Wrap {
 public:
  explicit Wrap(const G1Words& shared) : s_(shared) {}

  W wrap(std::string_view label, const W& value) const { return wrap_field(label, s_, value); }

  // The member label+"Wrapped" of `record`, in decimal form, unwrapped.
  Result<W> unwrap(const Json& record, std::string_view label) const {
    const Json* v = record.find(wrapped_key(label));
    if (!v) return err(kMissingWrappedField);
    VORN_TRY(const W wrapped, as_dec_w(*v));
    return unwrap_field(label, s_, wrapped);
  }

 private:
  G1Words s_;
};

// The delivery's "flavor" must be exactly the JSON integer `flavor`.
bool has_flavor(const Json& delivery, uint64_t flavor) {
  const Json* f = delivery.find("flavor");
  const std::string* t = f ? f->as_number_text() : nullptr;
  return t && *t == std::to_string(flavor);
}

// The opening record {"flavor", "v", "rho", "idHash", "predicate", "cm"} after the
// commitment's own checks.
Result<Json> opening_record(uint64_t flavor, const W& v, const W& rho, const W& id_hash, const W& predicate) {
  VORN_TRY(const W cm, notes::note_commitment(flavor, v, rho, id_hash, predicate));
  Json o = Json::object();
  o.set("flavor", Json::number_u64(flavor));
  o.set("v", Json::string(hex_w(v)));
  o.set("rho", Json::string(hex_w(rho)));
  o.set("idHash", Json::string(hex_w(id_hash)));
  o.set("predicate", Json::string(hex_w(predicate)));
  o.set("cm", Json::string(hex_w(cm)));
  return o;
}

// A tree from {"leaves", "depth"}: the leaf list (with its "args: leaves must be an
// array" / "args: leaf must be hex" messages), then the depth, then construction.
// Leaves the parser read into words are read in place (the tree must not outlive
// `obj`).
Result<notes::IdentityMerkleTree> leaf_tree(const Json& obj) {
  VORN_TRY(const std::vector<W>* words, hex_leaf_words(obj));
  std::vector<W> leaves;
  if (!words) {
    VORN_TRY(leaves, hex_leaves(obj));
  }
  VORN_TRY(const U128 depth, get_u128(obj, "depth"));
  // Every depth above the largest allowed fails alike; clamp before narrowing so a
  // huge value cannot wrap into the allowed range.
  const uint64_t d = depth > notes::kMaxTreeDepth ? notes::kMaxTreeDepth + 1 : static_cast<uint64_t>(depth);
  if (words) return notes::IdentityMerkleTree::over_leaves(*words, d);
  return notes::IdentityMerkleTree::from_leaves(std::move(leaves), d);
}

// The arrays prove_receiving_binding reads into words: its leaves and the
// aggregator's.
constexpr std::string_view kLeavesPath[] = {"leaves"};
constexpr std::string_view kAggregatorLeavesPath[] = {"aggregator", "leaves"};
constexpr std::span<const std::string_view> kBindingWordPaths[] = {kLeavesPath, kAggregatorLeavesPath};

Json scalar_list(const std::vector<W>& words) {
  Json a = Json::array();
  for (const W& w : words) a.push(Json::string(scalar_hex(w)));
  return a;
}

Json bit_list(const std::vector<uint8_t>& bits) {
  Json a = Json::array();
  for (uint8_t b : bits) a.push(Json::number_u64(b));
  return a;
}

}  // namespace

Result<ReceivingKey> derive_receiving_key(unsigned __int128 rotation, const W& seed) {
  // Only "the seed is zero" leaves the call, as the error.
  if (ct::declassify(seed.is_zero())) return err(kSeedNotPositive);
  const W seed_r = reduce_mod_r(seed);
  uint64_t counter = static_cast<uint64_t>(rotation);
  for (;;) {
    const W ctr = W::from_u64(counter);
    const W k = reduce_mod_r(hash::keccak_prefixed(hash::Tag::ReceivingKey, {hash::as_bytes(seed_r), hash::as_bytes(ctr)}));
    // A zero k (probability 1/r) moves to the next counter; the public point that
    // follows is published with the key.
    if (!ct::declassify(k.is_zero())) return ReceivingKey{k, ct::declassify(point_words(mul_g_ct(fr_of(k))))};
    if (counter == UINT64_MAX) return err(kRotationOverflow);
    ++counter;
  }
}

Result<G1Words> sender_shared_point(const G1Words& pk_recv, const W& r_note) {
  VORN_TRY(const G1Affine pk, decode_g1(pk_recv));
  const G1 s = mul_ct(pk, fr_of(r_note));
  // At infinity the masks would depend on nothing secret; only that outcome leaves.
  if (ct::declassify(s.is_identity())) return err(kSharedPointIdentity);
  return point_words(s);
}

G1Words recipient_shared_point(const G1Affine& r, const W& k) { return point_words(mul_ct(r, fr_of(k))); }

W wrap_field(std::string_view label, const G1Words& shared, const W& value) {
  return (fr_of(value) + fr_of(payload_mask(label, shared))).to_w();
}

W unwrap_field(std::string_view label, const G1Words& shared, const W& wrapped) {
  return (fr_of(wrapped) - fr_of(payload_mask(label, shared))).to_w();
}

Result<bool> opens_to_face(const G1Affine& r, const G1Words& c_words, const W& k, const W& v) {
  VORN_TRY(const G1Affine c, decode_g1(c_words));
  const G1Affine m = crypto::elgamal_decrypt(crypto::Ciphertext{r, c}, fr_of(k));
  return same_words(point_words(m), point_words(mul_g_ct(fr_of(v))));
}

bool is_randomness_of(const W& r, const G1Words& point) { return same_words(point_words(mul_g_ct(fr_of(r))), point); }

Result<bool> t_opens_to_mailbox(const G1Affine& r_iss, const W& k, const W& gamma, const G1Words& t) {
  VORN_TRY(const G1 gamma_h, mul_h_ct(fr_of(gamma)));
  return same_words(point_words(mul_ct(r_iss, fr_of(k)) + gamma_h), t);
}

W payload_mask(std::string_view label, const G1Words& shared) {
  static constexpr uint8_t kSlash[1] = {'/'};
  const hash::Bytes slash(kSlash, 1);
  return reduce_mod_r(hash::keccak_prefixed(hash::Tag::PayloadWrap, {slash, hash::as_bytes(label), slash,
                                                                     hash::as_bytes(shared[0]), hash::as_bytes(shared[1])}));
}

Result<std::string> receiving_key(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const U128 rotation, get_u128(args, "rotation"));
  VORN_TRY(const W seed, get_w(args, "seed"));
  VORN_TRY(const ReceivingKey key, derive_receiving_key(rotation, seed));
  Json out = Json::object();
  out.set("k", Json::string(scalar_hex(key.k)));
  out.set("pk_recv", g1_hex(key.pk_recv));
  return compact_json(out);
}

Result<std::string> wrap_mask(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const std::string label, get_str(args, "label"));
  VORN_TRY(const G1Words shared, get_g1(args, "shared"));
  return hex_w(payload_mask(label, shared));
}

Result<std::string> deliver_a1(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const CiphertextW e_note, get_ct(args, "eNote"));
  VORN_TRY(const CiphertextW e_rec, get_ct(args, "eRec"));
  VORN_TRY(const W v, get_w(args, "v"));
  VORN_TRY(const W rho, get_w(args, "rho"));
  VORN_TRY(const W predicate, get_w(args, "predicate"));
  VORN_TRY(const W r_note, get_w(args, "r_note"));
  VORN_TRY(const G1Words pk_recv, get_g1(args, "pk_recv"));
  VORN_TRY(const G1Words s, sender_shared_point(pk_recv, r_note));
  const Wrap wrap(s);
  Json out = Json::object();
  out.set("flavor", Json::number_u64(kFlavorA1));
  out.set("predicate", Json::string(dec_w(predicate)));
  out.set("eNote", ct_dec(e_note));
  out.set("eRec", ct_dec(e_rec));
  out.set(wrapped_key(kLabelRho), Json::string(dec_w(wrap.wrap(kLabelRho, rho))));
  out.set(wrapped_key(kLabelV), Json::string(dec_w(wrap.wrap(kLabelV, v))));
  out.set(wrapped_key(kLabelRNote), Json::string(dec_w(wrap.wrap(kLabelRNote, r_note))));
  return compact_json(out);
}

Result<std::string> deliver_a2(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const CiphertextW e_note, get_ct(args, "eNote"));
  VORN_TRY(const CiphertextW e_iss, get_ct(args, "eIss"));
  VORN_TRY(const G1Words t, get_g1(args, "T"));
  VORN_TRY(const W v, get_w(args, "v"));
  VORN_TRY(const W rho, get_w(args, "rho"));
  VORN_TRY(const W predicate, get_w(args, "predicate"));
  VORN_TRY(const W r_note, get_w(args, "r_note"));
  VORN_TRY(const W r_prime, get_w(args, "r_prime"));
  VORN_TRY(const W salt_iss, get_w(args, "salt_iss"));
  VORN_TRY(const W gamma, get_w(args, "gamma"));
  VORN_TRY(const G1Words pk_recv, get_g1(args, "pk_recv"));
  VORN_TRY(const G1Words s, sender_shared_point(pk_recv, r_note));
  const Wrap wrap(s);
  Json out = Json::object();
  out.set("flavor", Json::number_u64(kFlavorA2));
  out.set("predicate", Json::string(dec_w(predicate)));
  out.set("eNote", ct_dec(e_note));
  out.set("eIss", ct_dec(e_iss));
  out.set("T", g1_dec(t));
  out.set(wrapped_key(kLabelRho), Json::string(dec_w(wrap.wrap(kLabelRho, rho))));
  out.set(wrapped_key(kLabelV), Json::string(dec_w(wrap.wrap(kLabelV, v))));
  out.set(wrapped_key(kLabelRPrime), Json::string(dec_w(wrap.wrap(kLabelRPrime, r_prime))));
  out.set(wrapped_key(kLabelSaltIss), Json::string(dec_w(wrap.wrap(kLabelSaltIss, salt_iss))));
  out.set(wrapped_key(kLabelGamma), Json::string(dec_w(wrap.wrap(kLabelGamma, gamma))));
  return compact_json(out);
}

Result<std::string> open_a1(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const Json* delivery, get_field(args, "delivery"));
  VORN_TRY(const W k, get_w(args, "k"));
  VORN_TRY(const W m_issuer, get_w(args, "m_issuer"));
  if (!has_flavor(*delivery, kFlavorA1)) return err(kNotA1Delivery);
  VORN_TRY(const CiphertextW e_note, get_ct_dec(*delivery, "eNote"));
  VORN_TRY(const CiphertextW e_rec, get_ct_dec(*delivery, "eRec"));
  VORN_TRY(const G1Affine note_r, decode_g1(e_note.r));
  const Wrap wrap(recipient_shared_point(note_r, k));
  VORN_TRY(const W rho, wrap.unwrap(*delivery, kLabelRho));
  VORN_TRY(const W v, wrap.unwrap(*delivery, kLabelV));
  VORN_TRY(const W r_note, wrap.unwrap(*delivery, kLabelRNote));
  if (!is_randomness_of(r_note, e_note.r)) return err(kRNoteNotRandomness);
  VORN_TRY(const bool face_ok, opens_to_face(note_r, e_note.c, k, v));
  if (!face_ok) return err(kFaceNotOpened);
  VORN_TRY(const W id_hash, notes::id_hash_a1(e_note, m_issuer));
  VORN_TRY(const W predicate, get_dec_w(*delivery, "predicate"));
  VORN_TRY(Json opening, opening_record(kFlavorA1, v, rho, id_hash, predicate));
  Json out = Json::object();
  out.set("opening", std::move(opening));
  out.set("eNote", ct_hex(e_note));
  out.set("eRec", ct_hex(e_rec));
  out.set("r_note", Json::string(hex_w(r_note)));
  return compact_json(out);
}

Result<std::string> open_a2(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const Json* delivery, get_field(args, "delivery"));
  VORN_TRY(const W k, get_w(args, "k"));
  if (!has_flavor(*delivery, kFlavorA2)) return err(kNotA2Delivery);
  VORN_TRY(const CiphertextW e_note, get_ct_dec(*delivery, "eNote"));
  VORN_TRY(const CiphertextW e_iss, get_ct_dec(*delivery, "eIss"));
  VORN_TRY(const G1Words t, get_g1_dec(*delivery, "T"));
  VORN_TRY(const G1Affine note_r, decode_g1(e_note.r));
  const Wrap wrap(recipient_shared_point(note_r, k));
  VORN_TRY(const W rho, wrap.unwrap(*delivery, kLabelRho));
  VORN_TRY(const W v, wrap.unwrap(*delivery, kLabelV));
  VORN_TRY(const W r_prime, wrap.unwrap(*delivery, kLabelRPrime));
  VORN_TRY(const W salt_iss, wrap.unwrap(*delivery, kLabelSaltIss));
  VORN_TRY(const W gamma, wrap.unwrap(*delivery, kLabelGamma));
  VORN_TRY(const bool face_ok, opens_to_face(note_r, e_note.c, k, v));
  if (!face_ok) return err(kFaceNotOpened);
  if (!is_randomness_of(r_prime, e_iss.r)) return err(kRPrimeNotRandomness);
  VORN_TRY(const G1Affine iss_r, decode_g1(e_iss.r));
  VORN_TRY(const bool t_ok, t_opens_to_mailbox(iss_r, k, gamma, t));
  if (!t_ok) return err(kTNotOpened);
  VORN_TRY(const W id_hash, notes::id_hash_a2(e_note, e_iss, t));
  VORN_TRY(const W predicate, get_dec_w(*delivery, "predicate"));
  VORN_TRY(Json opening, opening_record(kFlavorA2, v, rho, id_hash, predicate));
  VORN_TRY(const G1Affine iss_c, decode_g1(e_iss.c));
  const G1Affine m_i = crypto::elgamal_decrypt(crypto::Ciphertext{iss_r, iss_c}, fr_of(k));
  Json out = Json::object();
  out.set("opening", std::move(opening));
  out.set("eNote", ct_hex(e_note));
  out.set("eIss", ct_hex(e_iss));
  out.set("M_I", g1_hex(point_words(m_i)));
  out.set("r_prime", Json::string(hex_w(r_prime)));
  out.set("salt_iss", Json::string(hex_w(salt_iss)));
  out.set("T", g1_hex(t));
  out.set("gamma", Json::string(hex_w(gamma)));
  return compact_json(out);
}

Result<std::string> prove_receiving_binding(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json, kBindingWordPaths));
  VORN_TRY(const G1Words m_rec, get_g1(args, "M_rec"));
  VORN_TRY(const G1Words pk_recv, get_g1(args, "pk_recv"));
  VORN_TRY(const W salt, get_w(args, "salt"));
  VORN_TRY(const notes::IdentityMerkleTree tree, leaf_tree(args));
  VORN_TRY(const W leaf, notes::mailbox_leaf(m_rec, pk_recv, salt));
  const std::optional<size_t> pos = tree.find(leaf);
  if (!pos) return err(kNoRegisteredLeaf);
  VORN_TRY(notes::MerklePath path, tree.path(*pos));
  if (const Json* agg = get_opt(args, "aggregator")) {
    VORN_TRY(const notes::IdentityMerkleTree agg_tree, leaf_tree(*agg));
    VORN_TRY(const U128 slot, get_u128(*agg, "slot"));
    if (slot >= agg_tree.leaves().size() || agg_tree.leaves()[static_cast<size_t>(slot)] != path.root)
      return err(kAggregatorSlot);
    VORN_TRY(const notes::MerklePath upper, agg_tree.path(static_cast<uint64_t>(slot)));
    path.siblings.insert(path.siblings.end(), upper.siblings.begin(), upper.siblings.end());
    path.bits.insert(path.bits.end(), upper.bits.begin(), upper.bits.end());
    path.root = upper.root;
  }
  Json p = Json::object();
  p.set("leaf", Json::string(scalar_hex(path.leaf)));
  p.set("siblings", scalar_list(path.siblings));
  p.set("indexBits", bit_list(path.bits));
  p.set("root", Json::string(scalar_hex(path.root)));
  Json out = Json::object();
  out.set("pk_recv", g1_hex(pk_recv));
  out.set("salt", Json::string(scalar_hex(salt)));
  out.set("path", std::move(p));
  return compact_json(out);
}

Result<bool> verify_receiving_binding(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const G1Words m_rec, get_g1(args, "M_rec"));
  VORN_TRY(const Json* binding, get_field(args, "binding"));
  VORN_TRY(const G1Words pk_recv, get_g1(*binding, "pk_recv"));
  VORN_TRY(const W salt, get_w(*binding, "salt"));
  VORN_TRY(const W expected_leaf, notes::mailbox_leaf(m_rec, pk_recv, salt));
  VORN_TRY(const Json* path_obj, get_field(*binding, "path"));
  VORN_TRY(const PathRecord path, path_from(*path_obj));
  VORN_TRY(const W leaf, get_w(*path_obj, "leaf"));
  VORN_TRY(const W root, get_w(args, "root"));
  if (leaf != expected_leaf) return false;
  VORN_TRY(const W folded, notes::IdentityMerkleTree::fold_path(leaf, path.siblings, path.bits));
  return folded == root;
}

}  // namespace vorn::wallet
