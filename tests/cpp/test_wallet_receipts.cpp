// Receipts: the road of a note receipt through build, envelope, id and verification;
// the five kinds built and verified; one tampered receipt per verification check.
//
// Notes are minted by hand here with the crypto and notes layers (ElGamal, id
// hashes, commitments, the batch word, the issuer signature and re-encryption
// proof), so the verifier meets receipts whose pieces it did not make.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "vorn/bn254/ops.h"
#include "vorn/crypto/words.h"
#include "vorn/hash/keccak.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/envelope.h"
#include "vorn/wallet/records.h"
#include "vorn/wallet/verify.h"

namespace w = vorn::wallet;
namespace cw = vorn::crypto::words;
using vorn::W;
using w::CiphertextW;
using w::Json;
using w::G1Words;

namespace {

W u(uint64_t v) { return W::from_u64(v); }

G1Words mul_g(const W& k) { return *vorn::bn254::g1_mul({u(1), u(2)}, k); }

CiphertextW enc(const G1Words& m, const G1Words& pk, const W& r) {
  return *cw::elgamal_encrypt(m, pk, r);
}

Json hex(const W& v) { return Json::string(w::hex_w(v)); }
Json num(uint64_t v) { return Json::number_u64(v); }

Json object(std::initializer_list<std::pair<const char*, Json>> members) {
  Json o = Json::object();
  for (auto& [k, v] : members) o.set(k, v);
  return o;
}

// A mutable member of `root` at `path` (objects created on the way).
Json& at(Json& root, const std::vector<const char*>& path) {
  Json* cur = &root;
  for (const char* k : path) {
    const Json* existing = cur->find(k);
    cur = &cur->set(k, existing ? Json(*existing) : Json::object());
  }
  return *cur;
}

// Adds one to the hex word at `path`.
void bump(Json& root, const std::vector<const char*>& path) {
  Json& v = at(root, path);
  W x = *w::as_w(v);
  for (int i = 31; i >= 0 && ++x.b[i] == 0; --i) {
  }
  v = hex(x);
}

const uint64_t kChain = 31337;
const W kRegistry = u(0x5FBDB2315678AFECull);

struct Party {
  std::string identity;
  W m, sk, addr;
  G1Words M, pk;
  CiphertextW E;

  Party(const std::string& name, uint64_t sk_, uint64_t addr_, uint64_t r)
      : identity(*w::canonical_identity_data(R"({"issuer_id": "reg-1", "name": ")" + name + "\"}")),
        m(vorn::hash::identity_scalar(identity)),
        sk(u(sk_)),
        addr(u(addr_)),
        M(mul_g(m)),
        pk(mul_g(sk)),
        E(enc(M, pk, u(r))) {}

  Json arg(bool with_sk, bool with_e) const {
    Json a = object({{"addr", hex(addr)}, {"identity", Json::string(identity)}, {"M", w::g1_hex(M)},
                     {"pk", w::g1_hex(pk)}});
    if (with_e) a.set("E", w::ct_hex(E));
    if (with_sk) a.set("sk", hex(sk));
    return a;
  }
};

const Party& issuer() {
  static const Party p("Issuer Bank", 0x1CE5, 0xA11CE, 77);
  return p;
}
const Party& payee() {
  static const Party p("Bob", 0xB0B5EC, 0xB0B, 78);
  return p;
}
const Party& alice() {
  static const Party p("Alice", 0xA1, 0xA1A1, 80);
  return p;
}
const Party& other() {
  static const Party p("Mallory", 0x3A11, 0xBAD, 79);
  return p;
}

const W kKRecv = u(0x4EC1), kRho = u(0x5EED), kRNote = u(0x1111), kRId = u(0x2222), kGamma = u(0x8888);
const uint64_t kV = 1000;
G1Words pk_recv() { return mul_g(kKRecv); }

Json nonces() {
  return object({{"t_self", hex(u(0x101))}, {"t_vd_payer", hex(u(0x102))}, {"t_vd", hex(u(0x103))},
                 {"t_note", hex(u(0x104))}, {"t_id", hex(u(0x105))}});
}

Json txn(uint64_t value) {
  return object({{"value", num(value)}, {"block_time", num(1700000000)}, {"txhash", Json::string("0xfeed")},
                 {"block", num(120)}, {"logindex", num(3)}, {"mint_txhash", Json::string("0xbeef")},
                 {"mint_block", num(100)}});
}

// The mailbox binding {salt, leaf, siblings, indexBits, root} of (payee M, pk_recv).
Json mailbox_binding() {
  const W salt = u(0x5A17);
  const W leaf = *vorn::notes::mailbox_leaf(payee().M, pk_recv(), salt);
  auto tree = vorn::notes::IdentityMerkleTree::from_leaves({u(7), leaf, u(9)}, 4);
  auto path = tree->path(1);
  Json sibs = Json::array(), bits = Json::array();
  for (const W& s : path->siblings) sibs.push(hex(s));
  for (uint8_t b : path->bits) bits.push(num(b));
  return object({{"salt", hex(salt)}, {"leaf", hex(leaf)}, {"siblings", sibs}, {"indexBits", bits},
                 {"root", hex(path->root)}});
}

struct NoteOptions {
  std::string role = "recipient";
  W m_iss = issuer().m;
  std::optional<G1Words> id_t;  // the T the identity hash is computed over (A2)
  bool binding = true;         // an issuer binding proof (A2)
  bool mailbox = false;
};

// The arguments of a note receipt, minted by hand.
Json note_args(const std::string& kind, const NoteOptions& o = {}) {
  const uint64_t flavor = kind == "note-a1" ? 1 : kind == "note-a2" ? 2 : 3;
  Json a = object({{"kind", Json::string(kind)}, {"role", Json::string(o.role)}, {"chainid", num(kChain)},
                   {"contracts", object({{"registry", hex(kRegistry)}})},
                   {"payer", issuer().arg(true, kind == "note-a2")}, {"payee", payee().arg(true, true)},
                   {"txn", txn(kV)}, {"nonces", nonces()}});
  const CiphertextW e_note = enc(mul_g(u(kV)), pk_recv(), kRNote);
  W id_hash;
  if (kind == "note-a1") {
    const CiphertextW e_rec = enc(payee().M, pk_recv(), kRId);
    id_hash = *vorn::notes::id_hash_a1(e_note, o.m_iss);
    a.set("eNote", w::ct_hex(e_note));
    a.set("eRec", w::ct_hex(e_rec));
  } else if (kind == "note-a2") {
    const CiphertextW e_iss = enc(issuer().M, pk_recv(), kRId);
    auto proof = cw::issuer_reenc_prove(issuer().sk, kRId, pk_recv(), issuer().E,
                                        e_iss, issuer().addr, u(kChain), u(0x7777), kGamma, u(11),
                                        u(12), u(13), u(14));
    const G1Words t = proof->T;
    id_hash = *vorn::notes::id_hash_a2(e_note, e_iss, o.id_t.value_or(t));
    a.set("eNote", w::ct_hex(e_note));
    a.set("eIss", w::ct_hex(e_iss));
    a.set("T", w::g1_hex(t));
    a.set("gamma", hex(kGamma));
    if (o.binding) {
      const auto& p = *proof;
      a.set("binding", object({{"e", hex(p.e)}, {"s_r", hex(p.s_r)}, {"s_b", hex(p.s_b)}, {"s_s", hex(p.s_s)},
                               {"s_g", hex(p.s_g)}, {"A1", w::g1_hex(p.A1)},
                               {"A2", w::g1_hex(p.A2)}, {"A3", w::g1_hex(p.A3)},
                               {"A4", w::g1_hex(p.A4)}, {"A5", w::g1_hex(p.A5)},
                               {"Q", w::g1_hex(p.Q)}, {"U", w::g1_hex(p.U)},
                               {"T", w::g1_hex(t)}}));
    }
  } else {
    id_hash = *vorn::notes::id_hash_b1(o.m_iss);
    a.set("eDepForIss", w::ct_hex(enc(payee().M, issuer().pk, u(0x3333))));
  }
  const W cm = *vorn::notes::note_commitment(flavor, u(kV), kRho, id_hash, W{});
  const std::vector<W> cms = {u(0x1234), cm, u(0x5678)};
  Json cms_json = Json::array();
  for (const W& c : cms) cms_json.push(hex(c));
  a.set("opening", object({{"flavor", hex(u(flavor))}, {"v", hex(u(kV))}, {"rho", hex(kRho)}, {"idHash", hex(id_hash)},
                           {"predicate", hex(W{})}}));
  a.set("cms", cms_json);
  a.set("nullifier", hex(*vorn::notes::nullifier(kRho, id_hash)));
  a.set("face", hex(u(kV)));
  if (kind != "note-b1") {
    a.set("pk_recv", w::g1_hex(pk_recv()));
    a.set("k_recv", hex(kKRecv));
    a.set("r_note", hex(kRNote));
    a.set("r_id", hex(kRId));
  }
  if (kind != "note-a2") {
    auto sig = cw::issuer_schnorr_sign(issuer().sk, vorn::hash::batch_commitment(cms), issuer().addr, u(kChain),
                                       u(0x5160));
    a.set("issuer_sig", object({{"e", hex(sig.e)}, {"s", hex(sig.s)}, {"R", w::g1_hex(sig.R)}}));
  }
  if (o.mailbox) a.set("mailbox_binding", mailbox_binding());
  return a;
}

Json eoa_args(const std::string& kind) {
  const bool priv = kind == "eoa-priv";
  const Party& payer = priv ? alice() : issuer();
  Json a = object({{"kind", Json::string(kind)}, {"role", Json::string("issuer")}, {"chainid", num(kChain)},
                   {"contracts", object({{"registry", hex(kRegistry)}})}, {"payer", payer.arg(false, priv)},
                   {"payee", payee().arg(true, true)}, {"txn", txn(kV)}, {"nonces", nonces()}});
  if (priv) {
    const W r_prime = u(0x4242);
    const CiphertextW e_for_payee = enc(payer.M, payee().pk, r_prime);
    auto p = cw::chaum_pedersen_prove(payer.E, e_for_payee, payer.pk,
                                      payee().pk, payer.sk, r_prime, payer.addr, payee().addr, u(kChain),
                                      kRegistry, u(21), u(22));
    a.set("E_for_payee", w::ct_hex(e_for_payee));
    a.set("cp_proof", object({{"e", hex(p->e)}, {"s1", hex(p->s1)}, {"s2", hex(p->s2)},
                              {"T1", w::g1_hex(p->T1)}, {"T2", w::g1_hex(p->T2)},
                              {"T3", w::g1_hex(p->T3)}}));
  }
  return a;
}

std::string build(const Json& args) {
  auto r = w::build_receipt(w::compact_json(args));
  EXPECT_TRUE(r) << r.error().msg;
  return r ? *r : std::string();
}

Json receipt(const Json& args) { return *w::parse_json(build(args)); }

w::RcptResult verify(const Json& receipt) {
  auto r = w::verify_receipt_core(receipt);
  EXPECT_TRUE(r) << r.error().msg;
  return r ? *r : w::RcptResult::fail("<error>");
}

std::string build_error(const Json& args) {
  auto r = w::build_receipt(w::compact_json(args));
  return r ? "ok" : r.error().msg;
}

// A verifiable-decryption record made here, independently of the builder.
Json vd_record(const CiphertextW& ct, const W& sk, const G1Words& m, const W& account) {
  auto p = cw::verifiable_decrypt_prove(ct, sk, m, account, u(kChain), u(0x999));
  return object({{"E_ct", w::ct_hex(ct)}, {"M_named", w::g1_hex(m)}, {"account", hex(account)}, {"chainid", num(kChain)},
                 {"proof", w::vd_json(*p)}});
}

}  // namespace

TEST(ReceiptRoad, NoteA1FromMintToVerification) {
  NoteOptions o;
  o.mailbox = true;
  const std::string text = build(note_args("note-a1", o));
  EXPECT_EQ(*w::canonical_json(text), text);
  const std::string envelope = w::envelope_text(text);
  const std::string id = w::receipt_id(text);
  EXPECT_EQ(id.size(), 12u);
  auto carried = w::parse_envelope("fwd:\r\n" + envelope + "\r\n-- sent from the wallet");
  ASSERT_TRUE(carried);
  EXPECT_EQ(*carried, text);
  EXPECT_EQ(w::receipt_id(*carried), id);
  auto result = w::verify_receipt(*carried);
  ASSERT_TRUE(result) << result.error().msg;
  EXPECT_EQ(*result, R"({"identity_M":{"x":")" + w::hex_w(issuer().M[0]) + R"(","y":")" + w::hex_w(issuer().M[1]) +
                         R"("},"ok":true,"reason":"VALID","value":")" + w::hex_w(u(kV)) + R"("})");
}

TEST(ReceiptKinds, EachKindAndRoleBuildsAndVerifies) {
  struct Case { std::string kind; std::string role; bool binding; bool mailbox; std::string reason; } cases[] = {
      {"note-a1", "recipient", true, false, "VALID"},
      {"note-a1", "recipient", true, true, "VALID"},
      {"note-a1", "issuer", true, false, "UNVERIFIED RECIPIENT"},
      {"note-a1", "issuer", true, true, "VALID"},
      {"note-a2", "recipient", true, false, "VALID"},
      {"note-a2", "recipient", false, false, "UNVERIFIED ISSUER"},
      {"note-a2", "issuer", true, true, "VALID"},
      {"note-a2", "issuer", false, false, "UNVERIFIED ISSUER + UNVERIFIED RECIPIENT"},
      {"note-b1", "recipient", true, false, "VALID"},
      {"note-b1", "issuer", true, false, "VALID"},
  };
  for (auto& c : cases) {
    NoteOptions o;
    o.role = c.role;
    o.binding = c.binding;
    o.mailbox = c.mailbox;
    const Json args = note_args(c.kind, o);
    const std::string text = build(args);
    EXPECT_EQ(build(args), text) << "builders draw no randomness";
    const Json r = *w::parse_json(text);
    const w::RcptResult v = verify(r);
    EXPECT_TRUE(v.ok) << c.kind << " " << c.role << ": " << v.reason;
    EXPECT_EQ(v.reason, c.reason) << c.kind << " " << c.role;
    EXPECT_EQ(v.identity_m, issuer().M);
    EXPECT_EQ(v.value, u(kV));
    EXPECT_EQ(text.find("\"sk\""), std::string::npos);
  }
  for (const char* kind : {"eoa-pub", "eoa-priv"}) {
    const Json r = receipt(eoa_args(kind));
    EXPECT_EQ(*r.find("role")->as_string(), "recipient") << "an eoa receipt ignores the role argument";
    const w::RcptResult v = verify(r);
    EXPECT_TRUE(v.ok) << kind << ": " << v.reason;
    EXPECT_EQ(v.identity_m, std::string(kind) == "eoa-priv" ? alice().M : issuer().M);
  }
}

TEST(ReceiptBuilder, LayoutOfANoteReceipt) {
  Json args = note_args("note-b1");
  at(args, {"txn"}).set("value", Json::number_u128(~w::U128(0)));
  args.set("notes", *w::parse_json(R"([1, "a", null, "b"])"));
  const std::string text = build(args);
  EXPECT_NE(text.find(R"("value":340282366920938463463374607431768211455)"), std::string::npos);
  const Json r = *w::parse_json(text);
  EXPECT_EQ(w::compact_json(*r.find("notes")), R"(["a","b"])");
  EXPECT_EQ(w::compact_json(*r.find("txn")->find("mint_block")), "100");
  EXPECT_EQ(*r.find("txn")->find("event")->as_string(), "SpentCoupledB1");
  EXPECT_EQ(*r.find("payer")->find("kind")->as_string(), "public");
  EXPECT_EQ(r.find("payer")->find("E_addr"), nullptr) << "a party without E has no E_addr";
  EXPECT_EQ(w::compact_json(*r.find("v")), "1");
  // The payee's self-naming proof is bound to the account word the receipt writes.
  const Json& vd = *r.find("payee_vd");
  EXPECT_EQ(*vd.find("account")->as_string(), w::hex_w(payee().addr));
  args.set("notes", Json::string("x"));
  EXPECT_EQ(w::parse_json(build(args))->find("notes"), nullptr);
}

TEST(ReceiptBuilder, MessagesInReadingOrder) {
  using Edit = std::function<void(Json&)>;
  auto drop_to_null = [](std::vector<const char*> path) {
    return [path](Json& a) { at(a, path) = Json::null(); };
  };
  struct Case { std::string kind; std::string role; Edit edit; std::string out; } cases[] = {
      {"note-a1", "recipient", [](Json& a) { a.set("kind", Json::string("note-c9")); }, "args: unknown receipt kind"},
      {"note-a1", "recipient", [](Json& a) { a.set("kind", Json::string("x")); a.set("txn", num(1)); },
       "receipt: missing field"},
      {"note-a1", "auditor", nullptr, "unknown receipt role"},
      {"note-a1", "recipient", drop_to_null({"k_recv"}), "addressed recipient receipt needs k_recv"},
      {"note-a1", "issuer", drop_to_null({"r_note"}),
       "addressed issuer receipt needs the mint randomness (r_note, r_id)"},
      {"note-a1", "recipient", drop_to_null({"payee", "E"}), "note-a1 recipient receipt needs payee_sk + payee_E_addr"},
      {"note-a1", "recipient", [](Json& a) { at(a, {"nonces", "t_vd"}) = num(3); }, "args: t_vd must be a hex string"},
      {"note-a1", "recipient", drop_to_null({"nonces", "t_id"}), "receipt: missing field"},
      {"note-a1", "issuer", drop_to_null({"nonces", "t_vd"}), "ok"},  // the issuer side makes no leg or self proof
      {"note-a2", "recipient", drop_to_null({"gamma"}),
       "note-a2 receipt with a binding needs gamma, which ties it to the named issuer"},
      {"note-a2", "recipient", drop_to_null({"payer", "E"}), "args: payer.E required"},
      {"note-a2", "recipient", drop_to_null({"payee", "sk"}), "note-a2 recipient receipt needs payee_sk + payee_E_addr"},
      {"note-a2", "issuer", drop_to_null({"payer", "sk"}), "note-a2 issuer receipt needs issuer_sk"},
      {"note-b1", "recipient", drop_to_null({"payee", "sk"}), "note-b1 recipient receipt needs payee_sk + payee_E_addr"},
      {"note-b1", "issuer", drop_to_null({"eDepForIss"}), "note-b1 issuer receipt needs eDepForIss + issuer_sk"},
      {"note-b1", "recipient", [](Json& a) { a.set("chainid", *w::parse_json("18446744073709551616")); },
       "receipt: integer out of range"},
      {"note-b1", "recipient", [](Json& a) { at(a, {"txn"}).set("mint_block", *w::parse_json("18446744073709551616")); },
       "receipt: integer out of range"},
      {"note-b1", "recipient", [](Json& a) { a.set("contracts", *w::parse_json("[1.5]")); },
       "canonical_json: floats are not canonical"},
      {"note-a1", "recipient", [](Json& a) { at(a, {"nonces", "t_note"}) = hex(W{}); }, std::string(w::kUnsafeNonces)},
      {"note-a1", "recipient", [](Json& a) { at(a, {"nonces", "t_vd"}) = hex(u(0x104)); },
       std::string(w::kUnsafeNonces)},
      {"note-a1", "recipient", [](Json& a) { at(a, {"eRec", "C", "y"}) = hex(u(3)); }, "G1 point not on curve"},
  };
  for (auto& c : cases) {
    NoteOptions o;
    o.role = c.role;
    Json a = note_args(c.kind, o);
    if (c.edit) c.edit(a);
    EXPECT_EQ(build_error(a), c.out) << c.kind << " " << c.role << " " << c.out;
  }
  struct EoaCase { const char* kind; Edit edit; std::string out; } eoa[] = {
      {"eoa-pub", drop_to_null({"payee", "sk"}), "args: payee.sk required"},
      {"eoa-pub", drop_to_null({"payee", "E"}), "args: payee.E required"},
      {"eoa-pub", drop_to_null({"nonces", "t_self"}), "receipt: expected a string"},  // a required nonce
      {"eoa-priv", drop_to_null({"payer", "E"}), "args: payer.E required"},
      {"eoa-priv", drop_to_null({"cp_proof", "s2"}), "receipt: expected a string"},
      {"eoa-priv", [](Json& a) { at(a, {"nonces", "t_self"}) = hex(u(0x102)); }, std::string(w::kUnsafeNonces)},
  };
  for (auto& c : eoa) {
    Json a = eoa_args(c.kind);
    c.edit(a);
    EXPECT_EQ(build_error(a), c.out) << c.kind << " " << c.out;
  }
}

TEST(ReceiptVerify, EachCheckCatchesItsTampering) {
  using Edit = std::function<void(Json&)>;
  auto set = [](std::vector<const char*> path, Json v) {
    return [path, v](Json& r) {
      const char* last = path.back();
      at(r, {path.begin(), path.end() - 1}).set(last, v);
    };
  };
  auto inc = [](std::vector<const char*> path) { return [path](Json& r) { bump(r, path); }; };
  auto note = [](const std::string& kind, NoteOptions o = {}) { return [kind, o] { return receipt(note_args(kind, o)); }; };
  auto issuer_side = [](bool mailbox = false) {
    NoteOptions o;
    o.role = "issuer";
    o.mailbox = mailbox;
    return o;
  };
  auto with_mailbox = [] {
    NoteOptions o;
    o.mailbox = true;
    return o;
  };
  auto eoa = [](const char* kind) { return [kind] { return receipt(eoa_args(kind)); }; };
  NoteOptions other_m;
  other_m.m_iss = other().m;
  NoteOptions other_t;
  other_t.id_t = other().M;
  const CiphertextW fresh = enc(payee().M, payee().pk, u(0xF00));
  const Json null = Json::null();

  struct Case { std::function<Json()> make; Edit edit; std::string reason; } cases[] = {
      {eoa("eoa-pub"), set({"role"}, Json::string("issuer")), "eoa-pub: issuer-side receipts exist for Notes only"},
      {eoa("eoa-pub"), set({"role"}, Json::string("auditor")), "unknown receipt role: auditor"},
      {eoa("eoa-pub"), set({"type"}, Json::string("note-c9")), "unknown receipt type: note-c9"},
      {note("note-a1"), set({"payer", "identity"}, Json::string("{}")), "payer M != keccak(identity)\u00b7G"},
      {note("note-a1"), set({"payee", "M"}, w::g1_hex(other().M)), "payee M != keccak(identity)\u00b7G"},
      {eoa("eoa-pub"), set({"payee_vd"}, null), "missing payee self-naming proof"},
      {eoa("eoa-pub"), set({"payee_vd", "chainid"}, num(1)), "payee self-naming: chainid mismatch"},
      {eoa("eoa-pub"), inc({"payee_vd", "account"}), "payee self-naming: account mismatch"},
      {eoa("eoa-pub"), set({"payee_vd", "M_named"}, w::g1_hex(other().M)), "payee self-naming: named M mismatch"},
      {eoa("eoa-pub"), set({"payee", "E_addr"}, w::ct_hex(fresh)),
       "payee self-naming: ciphertext is not the registered E_addr"},
      {eoa("eoa-pub"), inc({"payee_vd", "proof", "s"}), "payee self-naming: vd fails"},
      {note("note-a2", issuer_side()), set({"payer_vd"}, null), "missing payer self-naming proof"},
      {note("note-a2", issuer_side()), inc({"payer_vd", "proof", "e"}), "payer self-naming: vd fails"},
      // eoa-priv
      {eoa("eoa-priv"), set({"proof"}, null), "eoa-priv: missing proof"},
      {eoa("eoa-priv"), set({"proof", "approve"}, null), "eoa-priv: missing approve/vd_payer"},
      {eoa("eoa-priv"), inc({"proof", "approve", "proof", "s2"}), "eoa-priv: approve handshake fails"},
      {eoa("eoa-priv"), inc({"contracts", "registry"}), "eoa-priv: approve handshake fails"},
      {eoa("eoa-priv"), inc({"proof", "vd_payer", "proof", "s"}), "eoa-priv: vd_payer fails"},
      {eoa("eoa-priv"),
       [&](Json& r) {
         const CiphertextW ct = enc(other().M, payee().pk, u(0xABC));
         at(r, {"proof"}).set("vd_payer", vd_record(ct, payee().sk, other().M, payee().addr));
       },
       "eoa-priv: named M != payer M"},
      {eoa("eoa-priv"),
       [&](Json& r) {
         // A sound approval of the same ciphertexts, from another sender address.
         const CiphertextW e_b = *w::get_ct(*r.find("proof")->find("approve"), "E_b");
         auto p = cw::chaum_pedersen_prove(alice().E, e_b, alice().pk,
                                           payee().pk, alice().sk, u(0x4242), other().addr,
                                           payee().addr, u(kChain), kRegistry, u(31), u(32));
         Json& approve = at(r, {"proof", "approve"});
         approve.set("sender", hex(other().addr));
         approve.set("proof", object({{"e", hex(p->e)}, {"s1", hex(p->s1)}, {"s2", hex(p->s2)},
                                      {"T1", w::g1_hex(p->T1)}, {"T2", w::g1_hex(p->T2)},
                                      {"T3", w::g1_hex(p->T3)}}));
       },
       "eoa-priv: the approval does not name the receipt's parties"},
      {eoa("eoa-priv"),
       [&](Json& r) {
         // The payee opens its own fresh encryption of the payer's point.
         const CiphertextW ct = enc(alice().M, payee().pk, u(0xABC));
         at(r, {"proof"}).set("vd_payer", vd_record(ct, payee().sk, alice().M, payee().addr));
       },
       "eoa-priv: vd_payer is not about the approved ciphertext"},
      // note types
      {note("note-a1"), set({"proof"}, null), "note-a1: missing proof"},
      {note("note-b1"), set({"note"}, null), "note-b1: missing Identity-M note payload"},
      {note("note-a2"), set({"proof", "opening", "flavor"}, hex(u(1))), "note-a2: opening flavor mismatch"},
      {note("note-a1"), set({"proof", "cms"}, *w::parse_json(R"(["0x1"])")), "note-a1: opening cm not in minted batch"},
      {note("note-b1", other_m), nullptr, "note-b1: idHash != id_hash_b1(m_iss)"},
      {note("note-a1", other_m), nullptr, "note-a1: idHash != id_hash_a1(eNote, m_iss)"},
      {note("note-a2"), set({"note", "T"}, null), "note-a2: missing T"},
      {note("note-a2", other_t), nullptr, "note-a2: idHash != id_hash_a2(eNote, eIss, T)"},
      {note("note-a1"), set({"note", "pkRecv"}, Json::object()), "note-a1: missing pkRecv"},
      {note("note-a2", issuer_side()), set({"note", "rNote"}, null),
       "note-a2: issuer receipt needs the mint randomness (rNote, rId)"},
      {note("note-a1", issuer_side()), inc({"note", "rId"}),
       "note-a1: the disclosed mint randomness does not produce these ciphertexts"},
      {note("note-a1"), set({"note", "vdRec"}, null), "note-a1: recipient receipt needs vdRec"},
      {note("note-a2"), set({"note", "vdNote"}, null), "note-a2: recipient receipt needs vdNote"},
      {note("note-a2"), inc({"note", "vdIss", "account"}), "note-a2: vdIss context mismatch"},
      {note("note-a1"), set({"note", "vdNote", "E_ct"}, w::ct_hex(fresh)),
       "note-a1: vdNote is about a different ciphertext"},
      {note("note-a1"), set({"note", "vdRec", "M_named"}, w::g1_hex(other().M)),
       "note-a1: vdRec names the wrong plaintext"},
      {note("note-a2"), inc({"note", "vdNote", "proof", "e"}), "note-a2: vdNote does not verify under pkRecv"},
      {note("note-a1", with_mailbox()), inc({"note", "binding", "salt"}),
       "note-a1: mailbox binding: leaf does not commit (M_rec, pkRecv, salt)"},
      {note("note-a1", with_mailbox()), inc({"note", "binding", "root"}),
       "note-a1: mailbox binding: path does not fold to the stated root"},
      {note("note-a1"), set({"proof", "issuer_sig"}, null), "note-a1: missing issuer batch Schnorr"},
      {note("note-b1"), inc({"proof", "issuer_sig", "s"}), "note-b1: issuer batch binding fails"},
      {note("note-a2"), set({"payer", "E_addr"}, null), "note-a2: issuer E_addr missing"},
      {note("note-a2"), inc({"issuer_binding", "s_r"}), "note-a2: issuer binding fails"},
      {note("note-a2", other_t), set({"note", "T"}, w::g1_hex(other().M)), "note-a2: binding T != committed T"},
      {note("note-a2"), set({"note", "gamma"}, null), "note-a2: binding carried without gamma"},
      {note("note-a2"), inc({"note", "gamma"}), "note-a2: the binding's Identity is not the named issuer"},
      {note("note-a1"), inc({"proof", "nullifier"}), "note-a1: nullifier mismatch"},
      {note("note-b1"), set({"txn", "value"}, num(kV + 1)), "note-b1: txn value != face"},
      {note("note-a2"),
       [&](Json& r) {
         at(r, {"txn"}).set("value", num(kV + 1));
         at(r, {"proof"}).set("face", hex(u(kV + 1)));
       },
       "note-a2: face != note value"},
      {note("note-b1", issuer_side()), set({"vd_payee"}, null), "note-b1: issuer receipt needs eDepForIss + vd_payee"},
      {note("note-b1", issuer_side()), set({"vd_payee", "chainid"}, num(kChain + 1)), "note-b1: vd_payee context mismatch"},
      {note("note-b1", issuer_side()), set({"note", "eDepForIss"}, w::ct_hex(fresh)),
       "note-b1: vd_payee ciphertext != eDepForIss"},
      {note("note-b1", issuer_side()),
       [&](Json& r) {
         const CiphertextW ct = enc(other().M, issuer().pk, u(5));
         at(r, {"note"}).set("eDepForIss", w::ct_hex(ct));
         r.set("vd_payee", vd_record(ct, issuer().sk, other().M, issuer().addr));
       },
       "note-b1: vd_payee names a different M"},
      {note("note-b1", issuer_side()), set({"vd_payee", "proof", "T2"}, w::g1_hex(other().M)), "note-b1: vd_payee fails"},
  };
  for (auto& c : cases) {
    Json r = c.make();
    if (c.edit) c.edit(r);
    auto v = w::verify_receipt_core(r);
    ASSERT_TRUE(v) << c.reason << ": raised " << v.error().msg;
    EXPECT_FALSE(v->ok) << c.reason;
    EXPECT_EQ(v->reason, c.reason);
    EXPECT_EQ(w::compact_json(w::rcpt_json(*v)),
              R"({"identity_M":null,"ok":false,"reason":)" + w::compact_json(Json::string(c.reason)) + R"(,"value":null})");
  }
}

TEST(ReceiptVerify, StructuralErrorsRaise) {
  struct TextCase { const char* text; const char* out; } texts[] = {
      {"[]", "receipt core must be a JSON object"},
      {"{", "receipt core is not valid JSON"},
      {R"({"type": "eoa-pub", "role": 1, "chainid": 1})", "receipt: expected a string"},
      {R"({"type": "eoa-pub", "chainid": -1})", "receipt: integer out of range"},
      {R"({"type": "eoa-pub", "chainid": 1})", "receipt: missing field"},
  };
  for (auto& c : texts) {
    auto r = w::verify_receipt(c.text);
    EXPECT_EQ(r ? "ok" : r.error().msg, c.out) << c.text;
  }
  NoteOptions mailbox;
  mailbox.mailbox = true;
  const Json base = receipt(note_args("note-a1", mailbox));
  struct Case { std::function<void(Json&)> edit; const char* out; } cases[] = {
      {[](Json& r) { r.set("txn", Json::null()); }, "receipt: missing field"},
      {[](Json& r) { at(r, {"proof"}).set("cms", Json::object()); }, "receipt: expected an array"},
      {[](Json& r) { at(r, {"note", "binding"}).set("siblings", Json::string("x")); },
       "mailbox binding: siblings must be an array"},
      {[](Json& r) { at(r, {"note", "binding"}).set("indexBits", Json::null()); },
       "mailbox binding: indexBits must be an array"},
      {[](Json& r) { at(r, {"note", "binding"}).set("siblings", *w::parse_json("[1]")); }, "sibling must be hex"},
      {[](Json& r) { at(r, {"note", "binding"}).set("indexBits", *w::parse_json(R"(["1"])")); },
       "receipt: expected an integer"},
      {[](Json& r) { at(r, {"note", "pkRecv"}).set("y", hex(u(3))); }, "G1 point not on curve"},
      {[](Json& r) { at(r, {"proof", "opening"}).set("rho", hex(W{})); }, "rho must be a non-zero scalar mod ORDER"},
  };
  for (auto& c : cases) {
    Json r = base;
    c.edit(r);
    auto v = w::verify_receipt_core(r);
    EXPECT_EQ(v ? "ok: " + v->reason : v.error().msg, c.out) << c.out;
  }
  NoteOptions issuer;
  issuer.role = "issuer";
  Json r = receipt(note_args("note-a1", issuer));
  at(r, {"note"}).set("rNote", num(5));
  EXPECT_EQ(w::verify_receipt_core(r).error().msg, "rNote must be hex");
}

TEST(ReceiptVerify, EmptyB1PayloadAndMissingRole) {
  Json args = note_args("note-b1");
  args.set("eDepForIss", Json::null());
  Json r = receipt(args);
  EXPECT_EQ(w::compact_json(*r.find("note")), "{}");
  EXPECT_TRUE(verify(r).ok) << "an empty payload is still a payload";
  r.set("role", Json::null());
  EXPECT_EQ(verify(r).reason, "VALID") << "no role means a recipient receipt";
}

// Every member of a receipt, replaced in turn by values of every kind, gives a
// result or a reading error: nothing a receipt holds can crash the verifier.
TEST(ReceiptVerify, AnyMemberReplacedGivesAResultOrAnError) {
  const std::vector<Json> replacements = {
      Json::null(), Json::number_u64(0), *w::parse_json("-1"), *w::parse_json("1.5"), Json::string(""),
      Json::string("0x" + std::string(64, 'f')), Json::array(), Json::object(),
      object({{"x", hex(u(1))}, {"y", hex(u(2))}}),
  };
  NoteOptions issuer_mailbox;
  issuer_mailbox.role = "issuer";
  issuer_mailbox.mailbox = true;
  NoteOptions b1_issuer;
  b1_issuer.role = "issuer";
  const Json receipts[] = {receipt(note_args("note-a2")), receipt(note_args("note-a1", issuer_mailbox)),
                           receipt(note_args("note-b1", b1_issuer)), receipt(eoa_args("eoa-priv"))};
  size_t results = 0, errors = 0;
  for (const Json& base : receipts) {
    // Paths to every member, depth first.
    std::vector<std::vector<std::string>> paths;
    std::vector<std::pair<const Json*, std::vector<std::string>>> todo = {{&base, {}}};
    while (!todo.empty()) {
      auto [v, path] = todo.back();
      todo.pop_back();
      if (!path.empty()) paths.push_back(path);
      if (const w::JsonObject* o = v->as_object())
        for (const w::JsonMember& m : *o) {
          auto p = path;
          p.push_back(m.key);
          todo.push_back({&m.value, p});
        }
    }
    for (const auto& path : paths)
      for (const Json& repl : replacements) {
        Json r = base;
        std::vector<const char*> parent;
        for (size_t i = 0; i + 1 < path.size(); ++i) parent.push_back(path[i].c_str());
        at(r, parent).set(path.back(), repl);
        auto v = w::verify_receipt_core(r);
        ++(v ? results : errors);
        if (v) {
          EXPECT_EQ(v->ok, v->identity_m && v->value);
        } else {
          EXPECT_FALSE(v.error().panic) << v.error().msg;
        }
      }
  }
  EXPECT_GT(results, 0u);
  EXPECT_GT(errors, 0u);
}
