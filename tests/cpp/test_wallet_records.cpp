// Argument records: parties, openings, proof records, trees, paths, lists, notes,
// and the written forms of a VD proof and an opening.
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>

#include "vorn/notes/tree.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/records.h"

namespace w = vorn::wallet;
using vorn::W;

namespace {

w::Json args(std::string_view text) {
  auto r = w::parse_args(text);
  EXPECT_TRUE(r) << text;
  return r ? std::move(r).value() : w::Json();
}

template <class T>
std::string outcome(const vorn::Result<T>& r) {
  return r ? "ok" : r.error().msg;
}

W u(uint64_t v) { return W::from_u64(v); }

const char* kPoint = R"({"x": "0x1", "y": "0x2"})";

}  // namespace

TEST(PartyFrom, ReadsKeysInOrderWithOptionalCiphertextAndSecret) {
  const std::string good = std::string(R"({"addr": "0xa", "identity": "id-1", "M": )") + kPoint +
                           R"(, "pk": {"x": "3", "y": "4"}, "E": {"R": {"x": "5", "y": "6"}, "C": {"x": "7", "y": "8"}},
                              "sk": "0x9"})";
  auto p = w::party_from(args(R"({"payer": )" + good + "}"), "payer");
  ASSERT_TRUE(p) << p.error().msg;
  EXPECT_EQ(p->addr, u(10));
  EXPECT_EQ(p->identity, "id-1");
  EXPECT_EQ(p->m, (w::G1Words{u(1), u(2)}));
  EXPECT_EQ(p->pk, (w::G1Words{u(3), u(4)}));
  ASSERT_TRUE(p->e);
  EXPECT_EQ(p->e->c, (w::G1Words{u(7), u(8)}));
  EXPECT_EQ(p->sk, u(9));

  struct Case { std::string party; const char* out; } cases[] = {
      // Each case breaks one key and every key after it; the first key read decides.
      {R"({"identity": 5, "M": 1})", "receipt: missing field"},                       // no addr
      {R"({"addr": 10, "identity": 5})", "receipt: expected a string"},               // addr not a string
      {R"({"addr": "0xz", "identity": 5})", "invalid hex"},                           // bad addr before identity
      {R"({"addr": "0xa", "identity": 5, "M": "x"})", "receipt: expected a string"},  // identity
      {R"({"addr": "0xa", "identity": "i", "M": "x"})", "receipt: missing field"},    // M not an object
      {R"({"addr": "0xa", "identity": "i", "M": {"x": "1", "y": "2"}, "pk": {"x": ""}})",
       "hex word must be 1..64 nybbles"},  // pk's x is read (and fails) before its missing y
      {R"({"addr": "0xa", "identity": "i", "M": {"x": "1", "y": "2"}, "pk": {"x": "1", "y": "2"}, "E": "x"})",
       "receipt: missing field"},
      {R"({"addr": "0xa", "identity": "i", "M": {"x": "1", "y": "2"}, "pk": {"x": "1", "y": "2"}, "sk": 7})",
       "args: sk must be a hex string"},
      {R"({"addr": "0xa", "identity": "i", "M": {"x": "1", "y": "2"}, "pk": {"x": "1", "y": "2"}, "sk": "g"})",
       "invalid hex"},
  };
  for (auto& c : cases) EXPECT_EQ(outcome(w::party_from(args(R"({"payee": )" + c.party + "}"), "payee")), c.out)
      << c.party;
  EXPECT_EQ(outcome(w::party_from(args(R"({"payee": {}})"), "payer")), "receipt: missing field");

  // "E": null / {} and "sk": null mean absent.
  for (const char* tail : {R"("E": null, "sk": null)", R"("E": {}, "sk": {})"}) {
    auto q = w::party_from(args(std::string(R"({"p": {"addr": "1", "identity": "", "M": {"x": "1", "y": "2"},
                                                    "pk": {"x": "1", "y": "2"}, )") + tail + "}}"),
                           "p");
    ASSERT_TRUE(q) << tail;
    EXPECT_FALSE(q->e);
    EXPECT_FALSE(q->sk);
  }
}

TEST(OpeningFrom, FlavorMustFitIn64BitsAndIsReadFirst) {
  const std::string tail = R"("v": "0x64", "rho": "0x7", "idHash": "0x8", "predicate": "0x0")";
  struct Case { std::string flavor; std::string rest; std::string out; } cases[] = {
      {"\"0x1\"", tail, "ok"},
      {"\"" + std::string(48, '0') + "ffffffffffffffff\"", tail, "ok"},  // 2^64 - 1: the flavor check is later
      {"\"0x10000000000000000\"", tail, "unknown flavor"},              // 2^64
      {"\"0x1" + std::string(63, '0') + "\"", R"("v": 5)", "unknown flavor"},  // before v is read
      {"1", tail, "receipt: expected a string"},
      {"\"0x1\"", R"("rho": "0x7")", "receipt: missing field"},
      {"\"0x1\"", R"("v": "0x1", "rho": "", "idHash": 1)", "hex word must be 1..64 nybbles"},
      {"\"0x1\"", R"("v": "0x1", "rho": "1", "idHash": 1)", "receipt: expected a string"},
      {"\"0x1\"", R"("v": "0x1", "rho": "1", "idHash": "1", "predicate": "q")", "invalid hex"},
  };
  for (auto& c : cases)
    EXPECT_EQ(outcome(w::opening_from(args("{\"flavor\": " + c.flavor + ", " + c.rest + "}"))), c.out) << c.flavor;
  auto o = w::opening_from(args(R"({"flavor": "0x2", )" + tail + "}"));
  EXPECT_EQ(o->flavor, 2u);
  EXPECT_EQ(o->v, u(100));
  EXPECT_EQ(o->id_hash, u(8));
}

TEST(ProofRecords, ReadEveryFieldInOrder) {
  // Each record is read from a complete record with one key removed at a time: the
  // error must be "receipt: missing field" exactly, and a wrong value in the first
  // remaining key beats a missing later key.
  using Reader = std::function<std::string(const w::Json&)>;
  struct Rec { const char* name; Reader read; std::vector<std::pair<const char*, bool>> keys; } recs[] = {
      {"schnorr", [](const w::Json& j) { return outcome(w::schnorr_from(j)); },
       {{"e", false}, {"s", false}, {"R", true}}},
      {"cp", [](const w::Json& j) { return outcome(w::cp_from(j)); },
       {{"e", false}, {"s1", false}, {"s2", false}, {"T1", true}, {"T2", true}, {"T3", true}}},
      {"binding", [](const w::Json& j) { return outcome(w::binding_from(j)); },
       {{"e", false}, {"s_r", false}, {"s_b", false}, {"s_s", false}, {"s_g", false}, {"A1", true}, {"A2", true},
        {"A3", true}, {"A4", true}, {"A5", true}, {"Q", true}, {"U", true}, {"T", true}}},
      {"vd", [](const w::Json& j) { return outcome(w::vd_from(j)); },
       {{"e", false}, {"s", false}, {"T1", true}, {"T2", true}}},
  };
  for (auto& rec : recs) {
    auto build = [&](size_t drop, const char* bad_from) {
      std::string text = "{";
      bool bad = false;
      for (size_t i = 0; i < rec.keys.size(); ++i) {
        if (i == drop) continue;
        if (bad_from && std::string(rec.keys[i].first) == bad_from) bad = true;
        if (text.size() > 1) text += ", ";
        std::string value = rec.keys[i].second ? (bad ? R"({"x": "1", "y": 2})" : kPoint) : (bad ? "7" : "\"0x5\"");
        text += "\"" + std::string(rec.keys[i].first) + "\": " + value;
      }
      return text + "}";
    };
    EXPECT_EQ(rec.read(args(build(SIZE_MAX, nullptr))), "ok") << rec.name;
    for (size_t i = 0; i < rec.keys.size(); ++i) {
      EXPECT_EQ(rec.read(args(build(i, nullptr))), "receipt: missing field") << rec.name << " " << rec.keys[i].first;
      // Dropping key i and spoiling every key after it: the missing key is met first.
      if (i + 1 < rec.keys.size()) {
        EXPECT_EQ(rec.read(args(build(i, rec.keys[i + 1].first))), "receipt: missing field") << rec.name;
      }
      // Spoiling key i and everything after: key i's own error.
      EXPECT_EQ(rec.read(args(build(SIZE_MAX, rec.keys[i].first))), "receipt: expected a string")
          << rec.name << " " << rec.keys[i].first;
    }
  }
  auto b = w::binding_from(args(R"({"e": "1", "s_r": "2", "s_b": "3", "s_s": "4", "s_g": "5",
      "A1": {"x": "11", "y": "12"}, "A2": {"x": "21", "y": "22"}, "A3": {"x": "31", "y": "32"},
      "A4": {"x": "41", "y": "42"}, "A5": {"x": "51", "y": "52"}, "Q": {"x": "61", "y": "62"},
      "U": {"x": "71", "y": "72"}, "T": {"x": "81", "y": "82"}})"));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->s_g, u(5));
  EXPECT_EQ(b->A5, (vorn::bn254::G1Words{u(0x51), u(0x52)}));
  EXPECT_EQ(b->T, (vorn::bn254::G1Words{u(0x81), u(0x82)}));
}

TEST(Lists, CommitmentsLeavesAndNotes) {
  auto cms = [](const char* t) { return outcome(w::cms_from(args(t))); };
  auto leaves = [](const char* t) { return outcome(w::hex_leaves(args(t))); };
  struct Case { std::function<std::string(const char*)> fn; const char* in; const char* out; } cases[] = {
      {cms, R"({"cms": ["0x1", "ff"]})", "ok"},
      {cms, R"({"cms": []})", "ok"},
      {cms, R"({})", "args: cms must be an array"},
      {cms, R"({"cms": {"0": "1"}})", "args: cms must be an array"},
      {cms, R"({"cms": "0x1"})", "args: cms must be an array"},
      {cms, R"({"cms": ["0x1", 5]})", "hex word must be 1..64 nybbles"},  // a non-string reads as ""
      {cms, R"({"cms": ["0x1", null, "zz"]})", "hex word must be 1..64 nybbles"},
      {cms, R"({"cms": ["zz"]})", "invalid hex"},
      {leaves, R"({"leaves": ["0x1"]})", "ok"},
      {leaves, R"({"leaves": null})", "args: leaves must be an array"},
      {leaves, R"({"leaves": [5]})", "args: leaf must be hex"},
      {leaves, R"({"leaves": ["1", ""]})", "hex word must be 1..64 nybbles"},
      {leaves, R"({"leaves": ["x"]})", "invalid hex"},
  };
  for (auto& c : cases) EXPECT_EQ(c.fn(c.in), c.out) << c.in;
  EXPECT_EQ(*w::cms_from(args(R"({"cms": ["0x1", "ff"]})")), (std::vector<W>{u(1), u(255)}));

  struct NotesCase { const char* in; std::optional<std::vector<std::string>> out; } notes[] = {
      {R"({"notes": [1, "a", null, "b", ["c"], {"d": 1}]})", std::vector<std::string>{"a", "b"}},
      {R"({"notes": []})", std::vector<std::string>{}},
      {R"({"notes": [1, 2]})", std::vector<std::string>{}},
      {R"({})", std::nullopt},
      {R"({"notes": "a"})", std::nullopt},
      {R"({"notes": null})", std::nullopt},
      {R"([])", std::nullopt},
  };
  for (auto& c : notes) EXPECT_EQ(w::notes_from(args(c.in)), c.out) << c.in;
}

TEST(TreeFrom, DepthThenLeavesThenConstruction) {
  struct Case { const char* in; const char* out; } cases[] = {
      {R"({"depth": 2, "leaves": ["0x1", "0x2"]})", "ok"},
      {R"({"depth": 1, "leaves": []})", "ok"},
      {R"({"leaves": 5})", "receipt: missing field"},
      {R"({"depth": "20", "leaves": 5})", "receipt: expected an integer"},
      {R"({"depth": 20.0, "leaves": 5})", "receipt: integer out of range"},
      {R"({"depth": 2})", "args: leaves must be an array"},
      {R"({"depth": 2, "leaves": ["0x1", 7]})", "hex word must be 1..64 nybbles"},
      {R"({"depth": 0, "leaves": []})", "depth must be in [1, 32]"},
      {R"({"depth": 33, "leaves": []})", "depth must be in [1, 32]"},
      {R"({"depth": 18446744073709551649, "leaves": []})", "depth must be in [1, 32]"},  // 2^64 + 33
      {R"({"depth": 18446744073709551617, "leaves": []})", "depth must be in [1, 32]"},  // 2^64 + 1, not 1
      {R"({"depth": 1, "leaves": ["1", "2", "3"]})", "more leaves than the tree depth has positions"},
  };
  for (auto& c : cases) EXPECT_EQ(outcome(w::tree_from(args(c.in))), c.out) << c.in;

  // The tree is the one built directly from the same words.
  auto t = w::tree_from(args(R"({"depth": 3, "leaves": ["0x1", "0x2", "0x3"]})"));
  auto direct = vorn::notes::IdentityMerkleTree::from_leaves({u(1), u(2), u(3)}, 3);
  ASSERT_TRUE(t && direct);
  EXPECT_EQ(t->depth(), 3u);
  EXPECT_EQ(*t->root(), *direct->root());
}

// Leaves read straight into words by the parser give the same outcome, message for
// message, as leaves read element by element from ordinary values, for both leaf
// readers; the parse errors are the same too.
TEST(WordArrays, SameOutcomesAsElementByElement) {
  static constexpr std::string_view kLeaves[] = {"leaves"};
  static constexpr std::string_view kTreeLeaves[] = {"tree", "leaves"};
  static constexpr std::span<const std::string_view> kPaths[] = {kLeaves, kTreeLeaves};
  const std::string deep = "{\"depth\": 2, \"leaves\": [\"0x1\", " + std::string(127, '[') + std::string(127, ']') + "]}";
  const std::string too_deep = "{\"depth\": 2, \"leaves\": [" + std::string(128, '[') + std::string(128, ']') + "]}";
  const std::string texts[] = {
      R"({"depth": 2, "leaves": ["0x1", "0x2", "3"]})",
      R"({"depth": 2, "leaves": []})",
      R"({"depth": 1, "leaves": ["0x1", "0x2", "0x3"]})",
      R"({"depth": 2, "leaves": ["0x1", [1, [2]], "zz"]})",
      R"({"depth": 2, "leaves": ["0x1", "zz", 5]})",
      R"({"depth": 2, "leaves": ["0x1", null]})",
      R"({"depth": 2, "leaves": ["0X1"]})",
      R"({"depth": 2, "leaves": ["", "0x1"]})",
      R"({"depth": 2, "leaves": ["0x11111111111111111111111111111111111111111111111111111111111111111"]})",
      R"({"depth": 2, "leaves": ["\u0030x1", "0xAbC"]})",
      R"({"depth": 2, "leaves": [1e400, "0x1"]})",
      R"({"depth": 2, "leaves": ["0x1", 1e400]})",
      R"({"leaves": ["zz"], "depth": 2, "leaves": ["0x5"]})",
      R"({"leaves": ["0x5"], "depth": 2, "leaves": "x"})",
      R"({"depth": 2, "leaves": {"a": "0x1"}})",
      R"({"leaves": ["0x1"]})",
      R"({"depth": 33, "leaves": ["zz"]})",
      R"({"depth": 2, "leaves": ["0x1", "\udc00"]})",
      R"({"depth": 2, "leaves": ["0x1", "0x2")",
      R"({"depth": 2, "leaves": ["0x1",]})",
      deep,
      too_deep,
  };
  using TreeRead = std::function<std::string(const w::Json&)>;
  auto tree = [](const w::Json& a) -> std::string {
    auto t = w::tree_from(a);
    if (!t) return t.error().msg;
    std::string leaves;
    for (const W& l : t->leaves()) leaves += w::hex_w(l) + ",";
    return "root " + w::hex_w(*t->root()) + " leaves " + leaves;
  };
  auto hex = [](const w::Json& a) -> std::string {
    auto l = w::hex_leaves(a);
    if (!l) return l.error().msg;
    std::string out;
    for (const W& x : *l) out += w::hex_w(x) + ",";
    return out;
  };
  for (const TreeRead& read : {TreeRead(tree), TreeRead(hex)})
    for (const std::string& t : texts) {
      auto plain = w::parse_args(t);
      auto words = w::parse_args(t, kPaths);
      ASSERT_EQ(plain.ok(), words.ok()) << t;
      if (!plain) {
        EXPECT_EQ(words.error().msg, plain.error().msg) << t;
        continue;
      }
      const w::Json* v = words->find("leaves");
      if (v && plain->find("leaves")->is_array()) EXPECT_NE(v->as_words(), nullptr) << t;
      EXPECT_EQ(read(*words), read(*plain)) << t;
      // Nested one level down, at the second path.
      auto nested = w::parse_args("{\"tree\": " + t + "}", kPaths);
      ASSERT_TRUE(nested) << t;
      EXPECT_EQ(read(*nested->find("tree")), read(*plain)) << t;
    }
  // Only the named paths: an array of the same name elsewhere stays an array.
  auto other = w::parse_args(R"({"x": {"leaves": ["0x1"]}, "tree": [{"leaves": ["0x1"]}]})", kPaths);
  ASSERT_TRUE(other);
  EXPECT_TRUE(other->find("x")->find("leaves")->is_array());
  EXPECT_TRUE((*other->find("tree")->as_array())[0].find("leaves")->is_array());
}

TEST(PathFrom, SiblingsThenIndexBits) {
  struct Case { const char* in; const char* out; } cases[] = {
      {R"({"siblings": ["0x1", "2"], "indexBits": [0, 1]})", "ok"},
      {R"({"siblings": [], "indexBits": []})", "ok"},
      {R"({"indexBits": 5})", "args: path.siblings must be an array"},
      {R"({"siblings": {}, "indexBits": 5})", "args: path.siblings must be an array"},
      {R"({"siblings": [1], "indexBits": 5})", "args: sibling must be hex"},
      {R"({"siblings": ["0x"], "indexBits": 5})", "hex word must be 1..64 nybbles"},
      {R"({"siblings": ["1"]})", "args: path.indexBits must be an array"},
      {R"({"siblings": ["1"], "indexBits": "01"})", "args: path.indexBits must be an array"},
      {R"({"siblings": ["1"], "indexBits": [2]})", "args: index bit must be 0 or 1"},
      {R"({"siblings": ["1"], "indexBits": ["1"]})", "args: index bit must be 0 or 1"},
      {R"({"siblings": ["1"], "indexBits": [true]})", "args: index bit must be 0 or 1"},
      {R"({"siblings": ["1"], "indexBits": [1.0]})", "args: index bit must be 0 or 1"},
      {R"({"siblings": ["1"], "indexBits": [-0]})", "args: index bit must be 0 or 1"},
      {R"({"siblings": ["1"], "indexBits": [-1]})", "args: index bit must be 0 or 1"},
  };
  for (auto& c : cases) EXPECT_EQ(outcome(w::path_from(args(c.in))), c.out) << c.in;
  auto p = w::path_from(args(R"({"siblings": ["0x1", "2"], "indexBits": [0, 1, 1]})"));
  EXPECT_EQ(p->siblings, (std::vector<W>{u(1), u(2)}));
  EXPECT_EQ(p->bits, (std::vector<uint8_t>{0, 1, 1}));

  // A path from the tree, written and read back, folds to the tree's root.
  auto tree = vorn::notes::IdentityMerkleTree::from_leaves({u(5), u(6), u(7)}, 4);
  auto path = tree->path(2);
  std::string text = R"({"siblings": [)";
  for (size_t i = 0; i < path->siblings.size(); ++i) text += (i ? ",\"" : "\"") + w::hex_w(path->siblings[i]) + "\"";
  text += R"(], "indexBits": [)";
  for (size_t i = 0; i < path->bits.size(); ++i) text += (i ? "," : "") + std::to_string(path->bits[i]);
  text += "]}";
  auto read = w::path_from(args(text));
  ASSERT_TRUE(read);
  EXPECT_EQ(*vorn::notes::IdentityMerkleTree::fold_path(u(7), read->siblings, read->bits), path->root);
}

TEST(Writers, VdProofAndOpening) {
  const std::string r = "30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001";
  W order;
  ASSERT_TRUE(vorn::w_from_hex64(r, order));
  W r_plus_5 = order;
  r_plus_5.b[31] += 5;
  w::VdRecord vd{{u(1), u(2)}, {u(0), u(0)}, r_plus_5, u(3)};
  const std::string zero64(64, '0');
  auto h = [&](int d) { return "0x" + std::string(63, '0') + std::to_string(d); };
  EXPECT_EQ(*w::canonical_json_value(w::vd_json(vd)),
            R"({"T1":{"x":")" + h(1) + R"(","y":")" + h(2) + R"("},"T2":{"x":"0x)" + zero64 + R"(","y":"0x)" +
                zero64 + R"("},"e":")" + h(5) + R"(","s":")" + h(3) + R"("})");

  // The opening is written as it is, the flavor as a full word; reading it back
  // gives the same record.
  w::NoteOpening op{3, order, u(7), u(8), u(0)};
  const w::Json j = w::opening_json(op);
  EXPECT_EQ(*j.find("flavor")->as_string(), h(3));
  EXPECT_EQ(*j.find("v")->as_string(), "0x" + r);
  auto back = w::opening_from(j);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->flavor, 3u);
  EXPECT_EQ(back->v, order);
  EXPECT_EQ(back->predicate, u(0));
}
