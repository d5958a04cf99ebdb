#include "vorn/wallet/records.h"

#include <limits>

#include "vorn/notes/notes.h"

namespace vorn::wallet {

namespace {

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

// An array element read as a hex word; a non-string reads as the empty text.
Result<W> element_w(const Json& v) {
  const std::string* s = v.as_string();
  return w_from_hex(s ? std::string_view(*s) : std::string_view());
}

// An array element that must be a hex string: `not_string` when it is not one,
// then the hex-word errors.
Result<W> element_hex(const Json& v, std::string_view not_string) {
  const std::string* s = v.as_string();
  if (!s) return err(not_string);
  return w_from_hex(*s);
}

// The words of the array under `key`, or `not_array` when it is missing or not an
// array.
template <class ReadElement>
Result<std::vector<W>> word_array(const Json& obj, std::string_view key, std::string_view not_array,
                                  ReadElement read) {
  const Json* v = obj.find(key);
  const JsonArray* a = v ? v->as_array() : nullptr;
  if (!a) return err(not_array);
  std::vector<W> out;
  out.reserve(a->size());
  for (const Json& e : *a) {
    VORN_TRY(W w, read(e));
    out.push_back(w);
  }
  return out;
}

}  // namespace

Result<Party> party_from(const Json& args, std::string_view key) {
  VORN_TRY(const Json* p, get_field(args, key));
  Party out;
  VORN_TRY(out.addr, get_w(*p, "addr"));
  VORN_TRY(out.identity, get_str(*p, "identity"));
  VORN_TRY(out.m, get_g1(*p, "M"));
  VORN_TRY(out.pk, get_g1(*p, "pk"));
  VORN_TRY(out.e, opt_ct(*p, "E"));
  VORN_TRY(out.sk, opt_w(*p, "sk", kSkNotHexString));
  return out;
}

Result<NoteOpening> opening_from(const Json& rec) {
  NoteOpening out;
  VORN_TRY(W flavor, get_w(rec, "flavor"));
  for (int i = 0; i < 24; ++i)
    if (flavor.b[i] != 0) return err(notes::kUnknownFlavor);
  for (int i = 24; i < 32; ++i) out.flavor = out.flavor << 8 | flavor.b[i];
  VORN_TRY(out.v, get_w(rec, "v"));
  VORN_TRY(out.rho, get_w(rec, "rho"));
  VORN_TRY(out.id_hash, get_w(rec, "idHash"));
  VORN_TRY(out.predicate, get_w(rec, "predicate"));
  return out;
}

Result<SchnorrRecord> schnorr_from(const Json& rec) {
  SchnorrRecord out;
  VORN_TRY(out.e, get_w(rec, "e"));
  VORN_TRY(out.s, get_w(rec, "s"));
  VORN_TRY(out.R, get_g1(rec, "R"));
  return out;
}

Result<CpRecord> cp_from(const Json& rec) {
  CpRecord out;
  VORN_TRY(out.e, get_w(rec, "e"));
  VORN_TRY(out.s1, get_w(rec, "s1"));
  VORN_TRY(out.s2, get_w(rec, "s2"));
  VORN_TRY(out.T1, get_g1(rec, "T1"));
  VORN_TRY(out.T2, get_g1(rec, "T2"));
  VORN_TRY(out.T3, get_g1(rec, "T3"));
  return out;
}

Result<BindingRecord> binding_from(const Json& rec) {
  BindingRecord out;
  VORN_TRY(out.e, get_w(rec, "e"));
  VORN_TRY(out.s_r, get_w(rec, "s_r"));
  VORN_TRY(out.s_b, get_w(rec, "s_b"));
  VORN_TRY(out.s_s, get_w(rec, "s_s"));
  VORN_TRY(out.s_g, get_w(rec, "s_g"));
  VORN_TRY(out.A1, get_g1(rec, "A1"));
  VORN_TRY(out.A2, get_g1(rec, "A2"));
  VORN_TRY(out.A3, get_g1(rec, "A3"));
  VORN_TRY(out.A4, get_g1(rec, "A4"));
  VORN_TRY(out.A5, get_g1(rec, "A5"));
  VORN_TRY(out.Q, get_g1(rec, "Q"));
  VORN_TRY(out.U, get_g1(rec, "U"));
  VORN_TRY(out.T, get_g1(rec, "T"));
  return out;
}

Result<VdRecord> vd_from(const Json& rec) {
  VdRecord out;
  VORN_TRY(out.e, get_w(rec, "e"));
  VORN_TRY(out.s, get_w(rec, "s"));
  VORN_TRY(out.T1, get_g1(rec, "T1"));
  VORN_TRY(out.T2, get_g1(rec, "T2"));
  return out;
}

Result<std::vector<W>> cms_from(const Json& args) { return word_array(args, "cms", kCmsNotArray, element_w); }

namespace {

// The words of a leaf array the parser read straight into words (nullptr when `v`
// is not one), once `read` has reported the element it refused, if any: the words
// before that element are valid, so the refused element is the first failure the
// element-by-element reading meets.
template <class ReadElement>
Result<const std::vector<W>*> parsed_words(const Json* v, ReadElement read) {
  const JsonWords* w = v ? v->as_words() : nullptr;
  if (!w) return static_cast<const std::vector<W>*>(nullptr);
  if (!w->refused.empty()) {
    VORN_CHECK(read(w->refused[0]));
    return IdError::invariant("a refused leaf reads as a word");
  }
  return &w->words;
}

}  // namespace

Result<notes::IdentityMerkleTree> tree_from(const Json& rec) {
  VORN_TRY(U128 depth, get_u128(rec, "depth"));
  // Any depth too wide for 64 bits is as out of range as 33.
  const uint64_t d = depth > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                                    : static_cast<uint64_t>(depth);
  // Leaves the parser read into words are read in place: the tree lives no longer
  // than the argument value.
  VORN_TRY(const std::vector<W>* words, parsed_words(rec.find("leaves"), element_w));
  if (words) return notes::IdentityMerkleTree::over_leaves(*words, d);
  VORN_TRY(std::vector<W> leaves, word_array(rec, "leaves", kLeavesNotArray, element_w));
  return notes::IdentityMerkleTree::from_leaves(std::move(leaves), d);
}

Result<PathRecord> path_from(const Json& path) {
  PathRecord out;
  VORN_TRY(out.siblings, word_array(path, "siblings", kSiblingsNotArray,
                                    [](const Json& e) { return element_hex(e, kSiblingNotHex); }));
  const Json* v = path.find("indexBits");
  const JsonArray* bits = v ? v->as_array() : nullptr;
  if (!bits) return err(kIndexBitsNotArray);
  out.bits.reserve(bits->size());
  for (const Json& b : *bits) {
    const std::string* t = b.as_number_text();
    if (!t || (*t != "0" && *t != "1")) return err(kIndexBitNotBinary);
    out.bits.push_back(static_cast<uint8_t>((*t)[0] - '0'));
  }
  return out;
}

Result<std::vector<W>> hex_leaves(const Json& args) {
  auto read = [](const Json& e) { return element_hex(e, kLeafNotHex); };
  VORN_TRY(const std::vector<W>* words, parsed_words(args.find("leaves"), read));
  if (words) return *words;
  return word_array(args, "leaves", kLeavesNotArray, read);
}

Result<const std::vector<W>*> hex_leaf_words(const Json& args) {
  return parsed_words(args.find("leaves"), [](const Json& e) { return element_hex(e, kLeafNotHex); });
}

std::optional<std::vector<std::string>> notes_from(const Json& args) {
  const Json* v = args.find("notes");
  const JsonArray* a = v ? v->as_array() : nullptr;
  if (!a) return std::nullopt;
  std::vector<std::string> out;
  for (const Json& e : *a)
    if (const std::string* s = e.as_string()) out.push_back(*s);
  return out;
}

Json vd_json(const VdRecord& proof) {
  Json o = Json::object();
  o.set("e", Json::string(scalar_hex(proof.e)));
  o.set("s", Json::string(scalar_hex(proof.s)));
  o.set("T1", g1_hex(proof.T1));
  o.set("T2", g1_hex(proof.T2));
  return o;
}

Json binding_json(const BindingRecord& b) {
  Json o = Json::object();
  o.set("e", Json::string(scalar_hex(b.e)));
  o.set("s_r", Json::string(scalar_hex(b.s_r)));
  o.set("s_b", Json::string(scalar_hex(b.s_b)));
  o.set("s_s", Json::string(scalar_hex(b.s_s)));
  o.set("s_g", Json::string(scalar_hex(b.s_g)));
  o.set("A1", g1_hex(b.A1));
  o.set("A2", g1_hex(b.A2));
  o.set("A3", g1_hex(b.A3));
  o.set("A4", g1_hex(b.A4));
  o.set("A5", g1_hex(b.A5));
  o.set("Q", g1_hex(b.Q));
  o.set("U", g1_hex(b.U));
  o.set("T", g1_hex(b.T));
  return o;
}

Json opening_json(const NoteOpening& opening) {
  Json o = Json::object();
  o.set("flavor", Json::string(hex_w(W::from_u64(opening.flavor))));
  o.set("v", Json::string(hex_w(opening.v)));
  o.set("rho", Json::string(hex_w(opening.rho)));
  o.set("idHash", Json::string(hex_w(opening.id_hash)));
  o.set("predicate", Json::string(hex_w(opening.predicate)));
  return o;
}

}  // namespace vorn::wallet
