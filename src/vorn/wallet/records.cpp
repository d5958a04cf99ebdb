#include "vorn/wallet/records.h"

#include <limits>
#include <tuple>

#include "vorn/notes/notes.h"

namespace vorn::wallet {

namespace {

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

// ---- parties and note openings: one table each, every field with its reader

namespace {

// A field of a wallet argument record: its key, its member, how it is read, and for
// a record that is written back, how it is written.
template <class Rec, class T>
struct ArgField {
  const char* key;
  T Rec::*member;
  Result<T> (*read)(const Json& obj, std::string_view key);
  Json (*write)(const T& value) = nullptr;
};

// The record of `obj`: every field of `table`, in order; the first failure is reported.
template <class Rec, class Table>
Result<Rec> read_fields(const Json& obj, const Table& table) {
  Rec out{};
  Status st = ok_status();
  auto read = [&](const auto& f) -> Status {
    VORN_TRY(out.*f.member, f.read(obj, f.key));
    return ok_status();
  };
  std::apply([&](const auto&... f) { (void)(((st = read(f)), st.ok()) && ...); }, table);
  if (!st.ok()) return std::move(st).error();
  return out;
}

template <class Rec, class Table>
Json write_fields(const Rec& rec, const Table& table) {
  Json o = Json::object();
  std::apply([&](const auto&... f) { (o.set(f.key, f.write(rec.*f.member)), ...); }, table);
  return o;
}

Result<std::optional<W>> opt_sk(const Json& obj, std::string_view key) { return opt_w(obj, key, kSkNotHexString); }

// A hex word whose value must be below 2^64, else "unknown flavor".
Result<uint64_t> flavor_at(const Json& rec, std::string_view key) {
  VORN_TRY(const W flavor, get_w(rec, key));
  for (int i = 0; i < 24; ++i)
    if (flavor.b[i] != 0) return err(notes::kUnknownFlavor);
  uint64_t out = 0;
  for (int i = 24; i < 32; ++i) out = out << 8 | flavor.b[i];
  return out;
}

// Every field of an opening is written as a 64-digit hex word, as it is.
Json hex_word(const W& w) { return Json::string(hex_w(w)); }
Json hex_flavor(const uint64_t& flavor) { return hex_word(W::from_u64(flavor)); }

const auto kPartyFields = std::tuple{
    ArgField<Party, W>{"addr", &Party::addr, get_w},
    ArgField<Party, std::string>{"identity", &Party::identity, get_str},
    ArgField<Party, G1Words>{"M", &Party::m, get_g1},
    ArgField<Party, G1Words>{"pk", &Party::pk, get_g1},
    ArgField<Party, std::optional<CiphertextW>>{"E", &Party::e, opt_ct},
    ArgField<Party, std::optional<W>>{"sk", &Party::sk, opt_sk},
};

const auto kOpeningFields = std::tuple{
    ArgField<NoteOpening, uint64_t>{"flavor", &NoteOpening::flavor, flavor_at, hex_flavor},
    ArgField<NoteOpening, W>{"v", &NoteOpening::v, get_w, hex_word},
    ArgField<NoteOpening, W>{"rho", &NoteOpening::rho, get_w, hex_word},
    ArgField<NoteOpening, W>{"idHash", &NoteOpening::id_hash, get_w, hex_word},
    ArgField<NoteOpening, W>{"predicate", &NoteOpening::predicate, get_w, hex_word},
};

}  // namespace

Result<Party> party_from(const Json& args, std::string_view key) {
  VORN_TRY(const Json* p, get_field(args, key));
  return read_fields<Party>(*p, kPartyFields);
}

Result<NoteOpening> opening_from(const Json& rec) { return read_fields<NoteOpening>(rec, kOpeningFields); }

Json opening_json(const NoteOpening& opening) { return write_fields(opening, kOpeningFields); }

Result<SchnorrRecord> schnorr_from(const Json& rec) { return record_from<SchnorrRecord>(rec); }
Result<CpRecord> cp_from(const Json& rec) { return record_from<CpRecord>(rec); }
Result<BindingRecord> binding_from(const Json& rec) { return record_from<BindingRecord>(rec); }
Result<VdRecord> vd_from(const Json& rec) { return record_from<VdRecord>(rec); }

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

Json vd_json(const VdRecord& proof) { return record_json(proof); }
Json binding_json(const BindingRecord& proof) { return record_json(proof); }

}  // namespace vorn::wallet
