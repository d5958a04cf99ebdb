"""The written part of docs/api.md: one entry per exported name.

tools/gen_api_docs.py joins these entries with what tools/vorn_api.py reads from the
built modules and the C++ rows (signatures, parameter and result types,
docstrings). A function or constant without an entry here stops the generator, and
so does an entry for a name no module exports.

Each function entry is (summary, raises, example):
- summary: what the function computes, in a sentence or two;
- raises: the ValueError messages of the function itself, beyond the conversion
  errors of its parameters (derived from their shapes). "POINTS" stands for the
  point-decoding messages, "G2POINTS" adds those of G2, "READING" for the reading
  errors of a JSON argument text. A message ending in "..." is a prefix;
- example: Python lines run by the generator in the module's namespace (after
  SETUP); the value of the last line is shown.
"""

SETUP = {
    "vorn_identity": '''\
import vorn_identity as vi
G, CHAIN = vi.G1, 31337
sk, M = 0x1234, vi.g1_mul(vi.G1, 99)      # a key and an identity point
pk = vi.g1_mul(G, sk)
ct = vi.elgamal_encrypt(M, pk, 0x55)      # M encrypted to pk
pk_rec = vi.g1_mul(G, 0x4EC1)             # a recipient's key
e_iss = vi.elgamal_encrypt(M, pk_rec, 0x42)
X, Y, y1 = vi.g2_mul(vi.G2, 0x11), vi.g2_mul(vi.G2, 0x22), vi.g1_mul(G, 0x22)  # a PS key''',
    "vorn_registry": '''\
import vorn_identity as vi
import vorn_registry as vr
CHAIN, sk, k = 31337, 0x1234, 0x77
pk = vi.g1_mul(vi.G1, sk)
msg = bytes(range(32))                    # a 32-byte message hash
identity = '{"issuer_id":"reg-1","name":"Bob"}'
wire = vr.registry_sign_certificate(sk, "reg-1", identity, 7, 1700000000, 1800000000, CHAIN, k)
env = (True, 8, [0, 1, 2], 500, 700, 2e9, [vr.scope_id("scope-1")])  # an insurer envelope''',
    "vorn_wallet": '''\
import json
import vorn_identity as vi
import vorn_wallet as vw
G, CHAIN, BANK = vi.G1, 31337, 0xA11CE

def hx(n): return "0x%064x" % n
def pt(p): return {"x": hx(p[0]), "y": hx(p[1])}
def ctj(c): return {"R": pt(c[0]), "C": pt(c[1])}
def args(**kw): return json.dumps(kw)

def credential(name, sk):  # the registry issues an identity, delivered to pk = sk*G
    return json.loads(vw.issue_credential(args(
        fields={"name": name}, issuer_id="reg-1", sk_x=hx(0x11), sk_y=hx(0x22), t_sig=hx(0x33 + sk),
        applicant_pk=pt(vi.g1_mul(G, sk)), r_delivery=hx(0x44 + sk))))

bank_sk, bob_sk = 0x1CE5, 0xB0B5
bank, bob = credential("Issuer Bank", bank_sk), credential("Bob", bob_sk)
bank_m, bob_m = int(bank["m"], 16), int(bob["m"], 16)
bank_M, bob_M = vi.g1_mul(G, bank_m), vi.g1_mul(G, bob_m)
tree = {"depth": 4, "leaves": [hx(vi.identity_leaf(bank_M)), hx(vi.identity_leaf(bob_M))]}
level = [int(x, 16) for x in tree["leaves"]] + [0] * (2**tree["depth"] - len(tree["leaves"]))
while len(level) > 1:  # the tree's root: leaves zero-padded, hashed in pairs
    level = [vi.poseidon(level[i:i + 2]) for i in range(0, len(level), 2)]
root = level[0]
recv = json.loads(vw.receiving_key(args(rotation=0, seed=hx(0x5EED))))   # Bob's mailbox
v, rho, r_note, r_prime = 1000, 0x5EED, 0x1111, 0x2222
mint_a1 = dict(nonces={"r_prime": hx(r_prime), "r_note": hx(r_note)}, M_rec=pt(bob_M), pk_recv=recv["pk_recv"],
               v=hx(v), rho=hx(rho), m_issuer=hx(bank_m), predicate=hx(0))
minted = json.loads(vw.mint_unilateral_a1(args(**mint_a1)))
e_reg = vi.elgamal_encrypt(bank_M, vi.g1_mul(G, bank_sk), 0x77)    # the bank's registered identity
mint_a2 = dict(nonces={"r_prime": hx(r_prime), "r_note": hx(r_note), "beta": hx(5), "gamma": hx(6),
                       "k_r": hx(7), "k_b": hx(8), "k_s": hx(9), "k_g": hx(10)},
               sk_iss=hx(bank_sk), E_reg=ctj(e_reg), pk_recv=recv["pk_recv"], v=hx(v), rho=hx(rho),
               issuer=hx(BANK), chainid=hx(CHAIN), predicate=hx(0))
minted2 = json.loads(vw.mint_unilateral_a2(args(**mint_a2)))
deliver_args = dict(eNote=minted["eNote"], eRec=minted["eRec"], v=hx(v), rho=hx(rho), predicate=hx(0),
                    r_note=hx(r_note), pk_recv=recv["pk_recv"])
delivery = json.loads(vw.deliver_a1(args(**deliver_args)))
deliver2_args = dict(eNote=minted2["eNote"], eIss=minted2["eIss"], T=minted2["binding"]["T"], v=hx(v),
                     rho=hx(rho), predicate=hx(0), r_note=hx(r_note), r_prime=hx(r_prime), salt_iss=hx(0x5A),
                     gamma=hx(6), pk_recv=recv["pk_recv"])
make_a1 = dict(minted=minted, tree=tree, k_recv=recv["k"], M_rec=pt(bob_M), M_iss=pt(bank_M),
               issuer=hx(BANK), chainid=hx(CHAIN), t_vd=hx(0x103))
make_a2 = dict(minted=minted2, tree=tree, k_recv=recv["k"], M_rec=pt(bob_M), issuer=hx(BANK),
               chainid=hx(CHAIN), t_vd=hx(0x104))
# The note spent: the arguments of its receipt (the bank signs the minted batch).
cms = [0x1234, int(minted["cm"], 16)]
e, s, R = vi.issuer_schnorr_sign(bank_sk, vi.batch_commitment(cms), BANK, CHAIN, 0x5160)
party = lambda c, addr, sk: {"addr": hx(addr), "identity": c["canonical"], "M": pt(vi.g1_mul(G, int(c["m"], 16))),
                             "pk": pt(vi.g1_mul(G, sk)), "E": c["delivery"]}
receipt_args = dict(kind="note-a1", role="recipient", chainid=CHAIN, contracts={"registry": hx(0x5EED)},
                    payer=party(bank, BANK, bank_sk), payee=dict(party(bob, 0xB0B, bob_sk), sk=hx(bob_sk)),
                    txn={"value": v, "block_time": 1700000000, "txhash": "0xab", "block": 120, "logindex": 3,
                         "mint_txhash": "0xcd", "mint_block": 100},
                    nonces={"t_vd": hx(0x201), "t_note": hx(0x202), "t_id": hx(0x203)},
                    opening=minted["opening"], cms=[hx(c) for c in cms],
                    nullifier=hx(vi.nullifier(rho, int(minted["idHash"], 16))), face=hx(v),
                    pk_recv=recv["pk_recv"], k_recv=recv["k"], eNote=minted["eNote"], eRec=minted["eRec"],
                    issuer_sig={"e": hx(e), "s": hx(s), "R": pt(R)})
receipt = vw.build_receipt(args(**receipt_args))   # canonical JSON text''',
}

CONSTANTS = {
    "ORDER": "r, the order of G1 and G2 (the scalar field's modulus).",
    "F_R": "The same r under the scalar field's name.",
    "FIELD_MODULUS": "q, the base field's modulus: every coordinate lies below it.",
    "G1": "The generator (1, 2) of G1.",
    "G2": "The generator of G2 (real parts first).",
    "H_PEDERSEN": "The second generator H of G1, hashed to the curve: nobody knows its discrete log base G1.",
    "FLAVOR_A1": "Note flavor A1 (1): addressed to a mailbox, the recipient's identity encrypted in the note.",
    "FLAVOR_A2": "Note flavor A2 (2): addressed to a mailbox, the issuer's identity re-encrypted in the note.",
    "FLAVOR_B1": "Note flavor B1 (3): bound to the issuer's identity scalar.",
    "ENVELOPE_HEADER": "The first line of a receipt text envelope.",
    "ENVELOPE_FOOTER": "The last line of a receipt text envelope.",
}

FUNCTIONS = {
    # ---- vorn_identity -----------------------------------------------------------------
    "h_pedersen": ("The second generator H (as the constant H_PEDERSEN).", [], "vi.h_pedersen() == vi.H_PEDERSEN"),
    "g1_add": ("a + b on G1.", ["POINTS"], "vi.g1_add(G, G) == vi.g1_mul(G, 2)"),
    "g1_mul": ("k*p on G1, k taken modulo r (k = 0 or r gives the point at infinity (0, 0)).", ["POINTS"],
               "vi.g1_mul(G, vi.ORDER + 1) == G"),
    "g1_neg": ("-p on G1; infinity stays infinity.", ["POINTS"], "vi.g1_add(M, vi.g1_neg(M))"),
    "g2_add": ("a + b on G2; both are checked to lie in the order-r subgroup.", ["G2POINTS"],
               "vi.g2_add(vi.G2, vi.G2) == vi.g2_mul(vi.G2, 2)"),
    "g2_mul": ("k*p on G2, k taken modulo r.", ["G2POINTS"], "vi.g2_mul(vi.G2, vi.ORDER)"),
    "pairing_check": ("Whether the product of the pairings e(P_i, Q_i) is one, as the EVM's ecPairing answers "
                      "(True for the empty list).", ["G2POINTS"],
                      "vi.pairing_check([(G, vi.G2), (vi.g1_neg(G), vi.G2)])"),
    "keccak_scalar": ("Keccak-256 of the words (32 bytes each, big-endian), reduced modulo r.", [],
                      "vi.keccak_scalar([1, 2, 3])"),
    "identity_scalar": ("The identity scalar m of a canonical identity text; the identity point is m*G1.", [],
                        "vi.identity_scalar('{\"issuer_id\":\"reg-1\",\"name\":\"Bob\"}')"),
    "reduce_mod_order": ("v modulo r.", [], "vi.reduce_mod_order(vi.ORDER + 5)"),
    "poseidon": ("Poseidon hash over the scalar field of 1 to 16 inputs, each read modulo r (the circomlib "
                 "parameters).", ["poseidon arity must be 1..16"], "vi.poseidon([1, 2])"),
    "elgamal_encrypt": ("ElGamal encryption of the point m_point to pk with randomness r: (r*G, m_point + r*pk).",
                        ["POINTS"], "vi.elgamal_encrypt(M, pk, 0x55) == ct"),
    "elgamal_decrypt": ("C - sk*R: the point e_ct carries under sk (a wrong key gives another point, never an "
                        "error).", ["POINTS"], "vi.elgamal_decrypt(ct, sk) == M"),
    "ps_sign": ("Pointcheval-Sanders signature of m under the key (sk_x, sk_y) with nonce t: "
                "(t*G, (sk_x + sk_y*m)*t*G).", [], "sig = vi.ps_sign(0x11, 0x22, 99, 0x33)\nvi.ps_verify(X, Y, *sig, 99)"),
    "ps_verify": ("Whether (sigma_1, sigma_2) is a Pointcheval-Sanders signature of m under (pk_x, pk_y); False "
                  "for sigma_1 at infinity.", ["G2POINTS"],
                  "vi.ps_verify(X, Y, *vi.ps_sign(0x11, 0x22, 99, 0x33), 100)"),
    "ps_rerandomize": ("The same signature re-randomised: (t*sigma_1, t*sigma_2).", ["POINTS"],
                       "vi.ps_verify(X, Y, *vi.ps_rerandomize(*vi.ps_sign(0x11, 0x22, 99, 0x33), 5), 99)"),
    "ps_present": ("A hiding presentation of a signature: (a*sigma_1, a*sigma_2 + b*y1).",
                   ["POINTS", "presentation scalars a, b must be nonzero"],
                   "vi.ps_present(*vi.ps_sign(0x11, 0x22, 99, 0x33), y1, 0x44, 0x55)"),
    "ps_key_consistent": ("Whether y1 (in G1) and pk_y (in G2) carry the same secret; False for y1 at infinity.",
                          ["G2POINTS"], "vi.ps_key_consistent(Y, y1)"),
    "batch_commitment": ("Keccak-256 of the note commitments of a minted batch, not reduced (the word an issuer "
                         "signs).", [], "hex(vi.batch_commitment([1, 2, 3]))"),
    "issuer_schnorr_sign": ("The issuer's Schnorr signature (e, s, R) on a batch word, bound to the issuer "
                            "address and the chain id; k is the nonce.", [],
                            "vi.issuer_schnorr_sign(sk, vi.batch_commitment([1, 2]), 0xA11CE, CHAIN, 0x77)"),
    "issuer_schnorr_verify": ("Whether proof is the issuer's signature on h_batch for (issuer, chainid) under "
                              "pk_iss.", ["POINTS"],
                              "sig = vi.issuer_schnorr_sign(sk, 5, 0xA11CE, CHAIN, 0x77)\n"
                              "vi.issuer_schnorr_verify(pk, sig, 5, 0xA11CE, CHAIN)"),
    "registration_prove": ("The registration proof: the registrant holds a credential presented as (a, b), the "
                           "secret of pk, and the identity that e_ct encrypts to pk; the last four arguments are "
                           "the nonces.", ["POINTS"],
                           "A, B = vi.ps_present(*vi.ps_sign(0x11, 0x22, 99, 0x33), y1, 0x44, 0x55)\n"
                           "proof = vi.registration_prove(A, B, 0x55, 99, 0x55, pk, ct, 0xBEEF, sk, CHAIN, 0x5EED, "
                           "1, 2, 3, 4)\nlen(proof)"),
    "registration_verify": ("Verifies a registration proof (the same verifier as registration_verify_v3).",
                            ["G2POINTS"],
                            "A, B = vi.ps_present(*vi.ps_sign(0x11, 0x22, 99, 0x33), y1, 0x44, 0x55)\n"
                            "proof = vi.registration_prove(A, B, 0x55, 99, 0x55, pk, ct, 0xBEEF, sk, CHAIN, 0x5EED, "
                            "1, 2, 3, 4)\nvi.registration_verify(A, B, ct, pk, X, Y, proof, 0xBEEF, CHAIN, 0x5EED)"),
    "registration_verify_v3": ("Verifies a registration proof: False for responses of r or more, statement "
                               "points at infinity, a wrong challenge or a failed equation.", ["G2POINTS"],
                               "A, B = vi.ps_present(*vi.ps_sign(0x11, 0x22, 99, 0x33), y1, 0x44, 0x55)\n"
                               "proof = vi.registration_prove(A, B, 0x55, 99, 0x55, pk, ct, 0xBEEF, sk, CHAIN, "
                               "0x5EED, 1, 2, 3, 4)\n"
                               "vi.registration_verify_v3(A, B, ct, pk, X, Y, proof, 0xBEEF, CHAIN + 1, 0x5EED)"),
    "chaum_pedersen_prove": ("The approval proof: e_alice and e_bob encrypt the same point to pk_alice and "
                             "pk_bob, the prover holding sk_alice and the randomness r_prime of e_bob; bound to "
                             "(sender, spender, chainid, registry); k1, k2 are the nonces.", ["POINTS"],
                             "e_bob = vi.elgamal_encrypt(M, pk_rec, 0x4242)\n"
                             "vi.chaum_pedersen_prove(ct, e_bob, pk, pk_rec, sk, 0x4242, 1, 2, CHAIN, 0x5EED, 21, "
                             "22)[0]"),
    "chaum_pedersen_verify": ("Verifies an approval proof: False for responses of r or more, keys or randomness "
                              "points at infinity, a failed equation or a wrong challenge.", ["POINTS"],
                              "e_bob = vi.elgamal_encrypt(M, pk_rec, 0x4242)\n"
                              "cp = vi.chaum_pedersen_prove(ct, e_bob, pk, pk_rec, sk, 0x4242, 1, 2, CHAIN, 0x5EED, "
                              "21, 22)\nvi.chaum_pedersen_verify(ct, e_bob, pk, pk_rec, cp, 1, 2, CHAIN, 0x5EED)"),
    "verifiable_decrypt_prove": ("Proof that e_ct decrypts to m_point under the secret of pk = sk*G, bound to "
                                 "(account, chainid): the decryption proof of receipts; t is the nonce. M is not "
                                 "checked: a wrong one gives a proof that does not verify.", ["POINTS"],
                                 "vi.verifiable_decrypt_prove(ct, sk, M, 0xB0B, CHAIN, 0x66)[0]"),
    "verifiable_decrypt_verify": ("Verifies a decryption proof under pk for (account, chainid).", ["POINTS"],
                                  "proof = vi.verifiable_decrypt_prove(ct, sk, M, 0xB0B, CHAIN, 0x66)\n"
                                  "vi.verifiable_decrypt_verify(ct, pk, M, proof, 0xB0B, CHAIN)"),
    "identity_opening_prove": ("The same proof as verifiable_decrypt_prove under its own transcript, bound to "
                               "(account, chainid, registry): an identity opened to one registry.", ["POINTS"],
                               "vi.identity_opening_prove(ct, sk, M, 0xB0B, CHAIN, 0x5EED, 0x66)[0]"),
    "identity_opening_verify": ("Verifies an identity opening for (account, chainid, registry).", ["POINTS"],
                                "proof = vi.identity_opening_prove(ct, sk, M, 0xB0B, CHAIN, 0x5EED, 0x66)\n"
                                "vi.identity_opening_verify(ct, pk, M, proof, 0xB0B, CHAIN, 0x5EED)"),
    "tree_tag": ("The tag scalar of a tree identifier: Keccak-256 of its bytes, reduced modulo r.",
                 ["tree_id must be a non-empty string"], "vi.tree_tag('tree-1')"),
    "derive_salt": ("The accumulator salt of a holder for a tree (and an association counter), always in "
                    "[1, r).", ["holder_secret must be a positive int", "tree_id must be a non-empty string"],
                    "vi.derive_salt(0x5EC, 'tree-1') == vi.derive_salt(0x5EC, 'tree-1', 0)"),
    "issuer_reenc_prove": ("The issuer's re-encryption proof: e_iss carries the identity of e_reg (registered to "
                           "the issuer's key) re-encrypted to pk_rec with randomness r_prime, without showing "
                           "pk_rec; bound to (issuer, chainid); beta, gamma blind it, the last four are nonces. "
                           "The witness is checked first.", ["POINTS", "E_iss.R != r'*G",
                                                             "E_iss.C != M_iss + r'*pk_rec"],
                           "scalars, points = vi.issuer_reenc_prove(sk, 0x42, pk_rec, ct, e_iss, 0xA11CE, CHAIN, "
                           "5, 6, 7, 8, 9, 10)\nlen(scalars), len(points)"),
    "issuer_reenc_verify": ("Verifies a re-encryption proof under pk_iss for (issuer, chainid); the recipient's key "
                            "is not needed.", ["POINTS"],
                            "proof = vi.issuer_reenc_prove(sk, 0x42, pk_rec, ct, e_iss, 0xA11CE, CHAIN, 5, 6, 7, 8, "
                            "9, 10)\nvi.issuer_reenc_verify(pk, ct, e_iss, proof, 0xA11CE, CHAIN)"),
    "b1_bind_prove": ("The depositor's binding proof: e_dep (registered to sk_dep*G) decrypts to m_dep*G, which "
                      "is re-encrypted to pk_iss (the returned ciphertext) and committed in Cm; bound to "
                      "(account, chainid); r, b are the randomness and blinding, the last four the nonces.",
                      ["POINTS", "E_dep does not decrypt to m_dep*G under sk_dep"],
                      "e_dep = vi.elgamal_encrypt(M, pk, 0x56)\n"
                      "proof, e_for_iss = vi.b1_bind_prove(99, sk, e_dep, pk_rec, 0xDE9, CHAIN, 11, 12, 13, 14, "
                      "15, 16)\nvi.elgamal_decrypt(e_for_iss, 0x4EC1) == M"),
    "b1_bind_verify": ("Verifies a binding proof: pk_dep, e_dep, pk_iss, the re-encryption e_dep_for_iss that the "
                       "prover returned, for (account, chainid).", ["POINTS"],
                       "e_dep = vi.elgamal_encrypt(M, pk, 0x56)\n"
                       "proof, e_for_iss = vi.b1_bind_prove(99, sk, e_dep, pk_rec, 0xDE9, CHAIN, 11, 12, 13, 14, "
                       "15, 16)\nvi.b1_bind_verify(pk, e_dep, pk_rec, e_for_iss, proof, 0xDE9, CHAIN)"),
    "note_commitment": ("The commitment of a note (flavor, value v, nonce rho, identity hash, predicate).",
                        ["unknown flavor", "v out of range [0, 2^128)", "rho must be a non-zero scalar mod ORDER",
                         "id_hash must lie in [0, F_R)", "predicate must lie in [0, F_R)"],
                        "vi.note_commitment(vi.FLAVOR_B1, 1000, 0x5EED, vi.id_hash_b1(99), 0)"),
    "nullifier": ("The nullifier of a note: what its spend publishes.",
                  ["rho must be a non-zero scalar mod ORDER", "id_hash must lie in [0, F_R)"],
                  "vi.nullifier(0x5EED, vi.id_hash_b1(99))"),
    "id_hash_b1": ("The identity hash of a B1 note: the issuer's identity scalar, hashed.",
                   ["scalars must lie in [1, ORDER)"], "vi.id_hash_b1(99)"),
    "id_hash_a1": ("The identity hash of an A1 note: its value ciphertext and the issuer's identity scalar.",
                   ["scalars must lie in [1, ORDER)"], "vi.id_hash_a1(ct, 99)"),
    "id_hash_a2": ("The identity hash of an A2 note: its value ciphertext, the issuer's re-encrypted identity and "
                   "the binding's blinded point t. The points are hashed as words, not decoded.", [],
                   "vi.id_hash_a2(ct, e_iss, M)"),
    "identity_leaf": ("The identity tree's leaf of an identity point (hashed as words, not decoded).", [],
                      "vi.identity_leaf(M)"),
    "identity_leaf_salted": ("The hiding leaf of an identity point in a private subtree.",
                             ["salt must be in [1, F_R); 0 makes the leaf deterministic"],
                             "vi.identity_leaf_salted(M, 0x5A17)"),
    "receiving_leaf": ("The hiding leaf that binds an identity scalar to the receiving key of its notes.",
                       ["receiving_leaf inputs must each lie in [1, F_R)"], "vi.receiving_leaf(99, 0x4EC1, 0x5A17)"),
    # ---- vorn_registry ------------------------------------------------------------------
    "check_issuance": ("The credit issuance gate: \"\" when a credit of face value `face` in `scope` is admitted "
                       "under the insurer envelope env = (good_standing, face_band, dep_models, max_dep_rate, "
                       "max_premium_rate, expiry, scopes) at time `now`, otherwise the first reason it is not.",
                       ["face_band must be in [1, FACE_BAND_MAX]", "unknown depreciation type",
                        "face_units out of range (>= 2^128)"],
                       "vr.check_issuance(env, vr.scope_id('scope-1'), 10**9, 1, 400, 600, 1.7e9), "
                       "vr.check_issuance(env, 7, 10**9, 1, 400, 600, 1.7e9)"),
    "band_for_face": ("The face band of a value: the least b in 1..8 with face < 10^(b+6), else 9.",
                      ["face_units out of range (>= 2^128)"], "vr.band_for_face(10**9)"),
    "scope_id": ("The key of a scope on the chain: Keccak-256 of its name, not reduced.",
                 ["scope name must be a non-empty string"], "hex(vr.scope_id('scope-1'))"),
    "subtree_key": ("The key of a subtree: Keccak-256 of its name, not reduced.",
                    ["scope name must be a non-empty string"], "vr.subtree_key('scope-1') == vr.scope_id('scope-1')"),
    "registry_schnorr_sign": ("The registry's Schnorr signature (e, s, R) on a 32-byte message hash, bound to the "
                              "registry identifier and the chain id.", ["msg_hash must be exactly 32 bytes"],
                              "vr.registry_schnorr_sign(sk, msg, 'reg-1', CHAIN, k)[0]"),
    "registry_schnorr_verify": ("Whether (e, s, r_point) is the registry's signature on msg_hash for "
                                "(registry_id, chainid) under pk.", ["POINTS", "msg_hash must be exactly 32 bytes"],
                                "e, s, R = vr.registry_schnorr_sign(sk, msg, 'reg-1', CHAIN, k)\n"
                                "vr.registry_schnorr_verify(pk, e, s, R, msg, 'reg-1', CHAIN)"),
    "registry_sign_certificate": ("Issues an identity certificate (its M computed from canonical_identity) and "
                                  "signs it: the signed wire bytes, the registry key registry_sk*G included.",
                                  ["certificate wire field too long (>= 2^32 bytes)", "invalid UTF-8 in wire data"],
                                  "len(vr.registry_sign_certificate(sk, 'reg-1', identity, 7, 1700000000, "
                                  "1800000000, CHAIN, k))"),
    "registry_verify_certificate": ("Whether a signed certificate's signature verifies for chainid under the key "
                                    "the wire itself carries (compare that key with the registry you trust).",
                                    ["certificate wire data truncated", "invalid UTF-8 in wire data",
                                     "M does not match canonical_identity", "POINTS"],
                                    "vr.registry_verify_certificate(wire, CHAIN), "
                                    "vr.registry_verify_certificate(wire, CHAIN + 1)"),
    "seal_certificate": ("Seals a signed certificate for one client: the wire travels with an encryption of its M "
                         "to client_pk (randomness r).",
                         ["certificate wire data truncated", "invalid UTF-8 in wire data",
                          "M does not match canonical_identity", "POINTS"],
                         "len(vr.seal_certificate(wire, vi.g1_mul(vi.G1, 0xC11E), 0x5EA1)) - len(wire)"),
    "unseal_certificate": ("Opens a sealed certificate with the client's secret key: the signed wire, when the "
                           "envelope was sealed for this client.",
                           ["certificate wire data truncated", "invalid UTF-8 in wire data",
                            "M does not match canonical_identity",
                            "decrypted M does not match certificate M -- envelope was not sealed for this client",
                            "POINTS"],
                           "sealed = vr.seal_certificate(wire, vi.g1_mul(vi.G1, 0xC11E), 0x5EA1)\n"
                           "vr.unseal_certificate(sealed, 0xC11E) == wire"),
    # ---- vorn_wallet --------------------------------------------------------------------
    "canonical_json": ("The canonical text of any JSON value: sorted keys, no whitespace, integers only, fixed "
                       "string escapes. Strings are kept as they are.",
                       ["canonical_json: invalid JSON", "canonical_json: floats are not canonical"],
                       "vw.canonical_json('{ \"b\": 1, \"a\": [true, null] }')"),
    "canonical_identity_data": ("The canonical text of an identity's fields (a JSON object).",
                                ["canonical_identity_data: invalid JSON",
                                 "canonical_identity_data: expected a JSON object",
                                 "canonical_json: floats are not canonical"],
                                "vw.canonical_identity_data('{\"name\": \"Bob\", \"issuer_id\": \"reg-1\"}')"),
    "receipt_id": ("The receipt id of canonical receipt bytes: the first prefix_len characters (at most 52) of "
                   "the lower-case base32 of their SHA-256. Take it of canonical_json output.", [],
                   "vw.receipt_id(receipt.encode()), vw.receipt_id(receipt.encode(), 20)"),
    "envelope_text": ("The text envelope of canonical receipt bytes: ENVELOPE_HEADER, base64url lines of width "
                      "characters, ENVELOPE_FOOTER.", [],
                      "vw.envelope_text(b'{}'), vw.envelope_text(receipt.encode()).count('\\n')"),
    "parse_envelope": ("The bytes a text envelope carries (text around it and whitespace inside are ignored).",
                       ["envelope: missing VV-RCPT/2. header or .END footer", "envelope: invalid base64url"],
                       "vw.parse_envelope(vw.envelope_text(receipt.encode())) == receipt.encode()"),
    "verify_receipt": ("Tier-1 verification of a receipt's JSON text, without a secret and without the chain: "
                       "{\"ok\", \"reason\", \"identity_M\" (the payer's identity point), \"value\"}; a receipt "
                       "that reads but fails a check is ok false with the reason. See [SECURITY.md](../SECURITY.md) for what VALID "
                       "proves.", ["receipt core is not valid JSON", "receipt core must be a JSON object",
                                   "READING"],
                       "json.loads(vw.verify_receipt(receipt))['reason']"),
    "build_receipt": ("Builds a receipt of any kind (note-a1, note-a2, note-b1, eoa-pub, eoa-priv) from named "
                      "arguments, proofs included; returns its canonical JSON text.",
                      ["args: unknown receipt kind", "unknown receipt role", "args: payee.sk required",
                       "addressed recipient receipt needs k_recv",
                       "args: proof nonces must be nonzero and pairwise distinct mod ORDER", "READING", "POINTS"],
                      "vw.build_receipt(args(**receipt_args)) == receipt"),
    "mint_unilateral_a2": ("Mints an A2 note to a mailbox: the value and the issuer's own identity (decrypted from "
                           "E_reg with sk_iss) encrypted to pk_recv, the re-encryption binding, the identity hash "
                           "and the commitment.",
                           ["mint: r_note and r_prime must be nonzero and distinct mod ORDER",
                            "args: proof nonces must be nonzero and pairwise distinct mod ORDER",
                            "v out of range [0, 2^128)", "READING", "POINTS"],
                           "sorted(json.loads(vw.mint_unilateral_a2(args(**mint_a2))))"),
    "receiving_key": ("A mailbox's receiving key from a seed and a rotation: {\"k\", \"pk_recv\"}.",
                      ["seed must be a positive int", "rotation overflow", "READING"],
                      "json.loads(vw.receiving_key(args(rotation=0, seed=hx(0x5EED))))['k']"),
    "wrap_mask": ("The mask that wraps a delivered field under a shared point (a hex word, not a JSON string).",
                  ["READING", "POINTS"], "vw.wrap_mask(args(label='rho', shared=pt(vi.g1_mul(G, 5))))"),
    "deliver_a1": ("The delivery record of an A1 note for its mailbox: the ciphertexts and the wrapped note "
                   "fields.",
                   ["delivery: the shared point is the identity (r_note is 0 mod ORDER or pk_recv is the "
                    "identity), so the wrap would be public", "READING", "POINTS"],
                   "sorted(json.loads(vw.deliver_a1(args(**deliver_args))))"),
    "deliver_a2": ("The delivery record of an A2 note for its mailbox.",
                   ["delivery: the shared point is the identity (r_note is 0 mod ORDER or pk_recv is the "
                    "identity), so the wrap would be public", "READING", "POINTS"],
                   "sorted(json.loads(vw.deliver_a2(args(**deliver2_args))))"),
    "open_a1": ("Opens an A1 delivery with the mailbox key k: the note's opening, checked against its "
                "ciphertexts.",
                ["not an A1 delivery", "the delivery is missing a wrapped field",
                 "the unwrapped r_note is not eNote's randomness", "k does not open eNote to the stated face...",
                 "READING", "POINTS"],
                "opened = json.loads(vw.open_a1(args(delivery=delivery, k=recv['k'], m_issuer=hx(bank_m))))\n"
                "sorted(opened), opened['opening'] == minted['opening']"),
    "open_a2": ("Opens an A2 delivery with the mailbox key k.",
                ["not an A2 delivery", "the delivery is missing a wrapped field",
                 "the unwrapped r' is not eIss's randomness",
                 "T does not open to this mailbox under the unwrapped gamma", "READING", "POINTS"],
                "d2 = json.loads(vw.deliver_a2(args(**deliver2_args)))\n"
                "sorted(json.loads(vw.open_a2(args(delivery=d2, k=recv['k']))))"),
    "prove_receiving_binding": ("The Merkle path showing that a registered mailbox leaf commits (M_rec, pk_recv, "
                                "salt).", ["no registered leaf commits this (Identity, receiving key) pair",
                                           "the subtree's root is not at its aggregator slot", "READING", "POINTS"],
                                "leaf = vi.poseidon([vi.tree_tag('VeltriaVorn/Accumulator/Leaf/Mailbox/v2'), "
                                "*bob_M, *vi.g1_mul(G, int(recv['k'], 16)), 0x5A17])\n"
                                "binding = json.loads(vw.prove_receiving_binding(args(M_rec=pt(bob_M), "
                                "pk_recv=recv['pk_recv'], salt=hx(0x5A17), leaves=[hx(leaf)], depth=3)))\n"
                                "sorted(binding)"),
    "verify_receiving_binding": ("Whether a receiving binding's leaf commits M_rec and its path folds to root.",
                                 ["READING", "POINTS"],
                                 "leaf = vi.poseidon([vi.tree_tag('VeltriaVorn/Accumulator/Leaf/Mailbox/v2'), "
                                 "*bob_M, *vi.g1_mul(G, int(recv['k'], 16)), 0x5A17])\n"
                                 "binding = json.loads(vw.prove_receiving_binding(args(M_rec=pt(bob_M), "
                                 "pk_recv=recv['pk_recv'], salt=hx(0x5A17), leaves=[hx(leaf)], depth=3)))\n"
                                 "vw.verify_receiving_binding(args(M_rec=pt(bob_M), binding=binding, "
                                 "root=binding['path']['root']))"),
    "deposit_fold_a1_witness": ("The circuit witness of folding an A1 note into a deposit account; every relation "
                                "is checked first and the first that fails is raised.",
                                ["idHash != id_hash_a1(eNote, m_issuer)", "eNote.R != rn*G",
                                 "the witness root is not the posted identity root", "READING", "POINTS"],
                                "k, m_rec, sk_dep, salt = 0x3001, 4001, 4003, 4005  # the depositor's mailbox "
                                "and secrets\n"
                                "def account(plain, id_hash, sibling):  # its fields; its leaf first of two\n"
                                "    leaf = vi.receiving_leaf(m_rec, k, salt)\n"
                                "    return dict(path={'siblings': [hx(sibling)], 'indexBits': [0]}, m_rec=hx(m_rec), "
                                "k=hx(k), sk_dep=hx(sk_dep),\n"
                                "                salt=hx(salt), t=hx(4002), r_E=hx(4004), rho=hx(4006), "
                                "idHash=hx(id_hash),\n"
                                "                identityRoot=hx(vi.poseidon([leaf, sibling])), "
                                "pk_dep=pt(vi.g1_mul(G, sk_dep)),\n"
                                "                E_dep=ctj(vi.elgamal_encrypt(vi.g1_mul(G, m_rec), "
                                "vi.g1_mul(G, sk_dep), 4004)),\n"
                                "                eEnc=ctj(vi.elgamal_encrypt(plain, vi.g1_mul(G, k), 4002)))\n"
                                "e_note = vi.elgamal_encrypt(vi.g1_mul(G, 1234), vi.g1_mul(G, k), 3004)\n"
                                "w = json.loads(vw.deposit_fold_a1_witness(args(\n"
                                "    eNote=ctj(e_note), v=hx(1234), m_issuer=hx(3003), r_note=hx(3004),\n"
                                "    **account(vi.g1_mul(G, m_rec), vi.id_hash_a1(e_note, 3003), 77))))\n"
                                "len(w), sorted(w)[:4]"),
    "deposit_fold_a2_witness": ("The circuit witness of folding an A2 note into a deposit account; relations "
                                "checked as for A1.",
                                ["eIss.R != r'*G", "T != rm*G + gamma*H (keyed to another mailbox)",
                                 "idHash != id_hash_a2(eNote, eIss, T)", "READING", "POINTS"],
                                "m_i, rp, gamma, salt_iss = 0x1D, 0x2D, 0x3D, 0x4D  # the issuer's identity, "
                                "the mint's secrets\n"
                                "M_I, pk_k = vi.g1_mul(G, m_i), vi.g1_mul(G, k)\n"
                                "e_note = vi.elgamal_encrypt(vi.g1_mul(G, 99), pk_k, 0x5D)\n"
                                "e_iss = vi.elgamal_encrypt(M_I, pk_k, rp)\n"
                                "t = vi.g1_add(vi.g1_mul(G, rp * k % vi.ORDER), vi.g1_mul(vi.H_PEDERSEN, gamma))\n"
                                "iss_leaf = vi.identity_leaf_salted(M_I, salt_iss)\n"
                                "w = json.loads(vw.deposit_fold_a2_witness(args(\n"
                                "    eNote=ctj(e_note), eIss=ctj(e_iss), r_prime=hx(rp), salt_iss=hx(salt_iss), "
                                "T=pt(t), gamma=hx(gamma),\n"
                                "    issPath={'siblings': [hx(vi.receiving_leaf(m_rec, k, salt))], "
                                "'indexBits': [1]},\n"
                                "    **account(M_I, vi.id_hash_a2(e_note, e_iss, t), iss_leaf))))\n"
                                "len(w), sorted(w)[:4]"),
    "make_receipt_a2": ("The recipient's receipt of an A2 note: the issuer identity it decrypts from eIss, its "
                        "proof, and whether both identities are in the tree.",
                        ["args: k_recv must be nonzero mod ORDER",
                         "args: proof nonces must be nonzero and pairwise distinct mod ORDER", "READING", "POINTS"],
                        "r2 = json.loads(vw.make_receipt_a2(args(**make_a2)))\nr2['M_I_member'], r2['M_rec_member']"),
    "verify_receipt_a2": ("Verifies an A2 recipient receipt against the issuer's key, its registered identity and "
                          "the identity root: {\"valid\", \"reason\", \"issuer_M\", \"recipient_M\", \"value\"}; "
                          "valid false (\"pk_recv is the point at infinity\") for a receiving key at infinity.",
                          ["READING", "POINTS"],
                          "r2 = json.loads(vw.make_receipt_a2(args(**make_a2)))\n"
                          "json.loads(vw.verify_receipt_a2(args(receipt=r2, tree=tree, pk_iss=pt(vi.g1_mul(G, "
                          "bank_sk)), E_reg=ctj(e_reg), identity_root=hx(root))))['reason']"),
    "mint_unilateral_a1": ("Mints an A1 note to a mailbox: the value and the recipient's identity encrypted to "
                           "pk_recv, the identity hash and the commitment.",
                           ["mint: r_note and r_prime must be nonzero and distinct mod ORDER",
                            "scalars must lie in [1, ORDER)", "v out of range [0, 2^128)", "READING", "POINTS"],
                           "sorted(json.loads(vw.mint_unilateral_a1(args(**mint_a1))))"),
    "make_receipt_a1": ("The recipient's receipt of an A1 note: a proof that eRec decrypts under the mailbox key "
                        "to M_rec, and whether both identities are in the tree.",
                        ["args: k_recv must be nonzero mod ORDER",
                         "args: proof nonces must be nonzero and pairwise distinct mod ORDER", "READING", "POINTS"],
                        "r1 = json.loads(vw.make_receipt_a1(args(**make_a1)))\n"
                        "r1['M_iss_member'], r1['M_rec_member']"),
    "verify_receipt_a1": ("Verifies an A1 recipient receipt against the identity root; valid false (\"pk_recv is "
                          "the point at infinity\") for a receiving key at infinity. See [SECURITY.md](../SECURITY.md) for what a "
                          "valid answer proves.", ["READING", "POINTS"],
                          "r1 = json.loads(vw.make_receipt_a1(args(**make_a1)))\n"
                          "json.loads(vw.verify_receipt_a1(args(receipt=r1, tree=tree, identity_root=hx(root))))"
                          "['reason']"),
    "issue_credential": ("The registry issues an identity credential: the canonical identity (issuer_id set), its "
                         "scalar m, the Pointcheval-Sanders signature of m and, when applicant_pk is given, m*G "
                         "encrypted to it.",
                         ["issuer: identity fields must be a JSON object", "args: applicant_pk and r_delivery go "
                          "together", "args: r_delivery must be a hex string",
                          "issuer: t_sig and r_delivery must be nonzero mod ORDER", "READING", "POINTS"],
                         "bob['canonical'], sorted(bob)"),
}

# The reading errors of the JSON argument texts (shared by the vorn_wallet functions).
READING = [
    "args: invalid JSON: ...", "receipt: missing field", "receipt: expected a string", "receipt: expected an array",
    "receipt: expected an integer", "receipt: integer out of range", "hex word must be 1..64 nybbles",
    "invalid hex", "args: expected a hex string",
]

POINTS = ["coordinate not a canonical Fq element", "G1 point not on curve"]
G2POINTS = POINTS + ["G2 point not on curve", "G2 point not in the prime-order subgroup"]
