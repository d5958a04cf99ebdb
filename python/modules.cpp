#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstring>

#include "modules.h"

namespace vorn::frame {
namespace {

constexpr bool C = true;   // a constant
constexpr bool F = false;  // a function

const std::vector<ModuleEntry> kIdentity = {
    {"ORDER", C}, {"F_R", C}, {"FIELD_MODULUS", C}, {"G1", C}, {"G2", C},
    {"H_PEDERSEN", C}, {"h_pedersen", F},
    {"FLAVOR_A1", C}, {"FLAVOR_A2", C}, {"FLAVOR_B1", C},
    {"g1_add", F}, {"g1_mul", F}, {"g1_neg", F}, {"g2_add", F}, {"g2_mul", F}, {"pairing_check", F},
    {"keccak_scalar", F}, {"identity_scalar", F}, {"reduce_mod_order", F}, {"poseidon", F},
    {"elgamal_encrypt", F}, {"elgamal_decrypt", F},
    {"ps_sign", F}, {"ps_verify", F}, {"ps_rerandomize", F}, {"ps_present", F}, {"ps_key_consistent", F},
    {"batch_commitment", F}, {"issuer_schnorr_sign", F}, {"issuer_schnorr_verify", F},
    {"registration_prove", F}, {"registration_verify", F}, {"registration_verify_v3", F},
    {"chaum_pedersen_prove", F}, {"chaum_pedersen_verify", F},
    {"verifiable_decrypt_prove", F}, {"verifiable_decrypt_verify", F},
    {"identity_opening_prove", F}, {"identity_opening_verify", F},
    {"tree_tag", F}, {"derive_salt", F},
    {"issuer_reenc_prove", F}, {"issuer_reenc_verify", F},
    {"b1_bind_prove", F}, {"b1_bind_verify", F},
    {"note_commitment", F}, {"nullifier", F}, {"id_hash_b1", F}, {"id_hash_a1", F}, {"id_hash_a2", F},
    {"identity_leaf", F}, {"identity_leaf_salted", F}, {"receiving_leaf", F},
};

const std::vector<ModuleEntry> kRegistry = {
    {"check_issuance", F}, {"band_for_face", F}, {"scope_id", F}, {"subtree_key", F},
    {"registry_schnorr_sign", F}, {"registry_schnorr_verify", F},
    {"registry_sign_certificate", F}, {"registry_verify_certificate", F},
    {"seal_certificate", F}, {"unseal_certificate", F},
};

const std::vector<ModuleEntry> kWallet = {
    {"ENVELOPE_HEADER", C}, {"ENVELOPE_FOOTER", C},
    {"canonical_json", F}, {"canonical_identity_data", F}, {"receipt_id", F}, {"envelope_text", F},
    {"parse_envelope", F}, {"verify_receipt", F}, {"build_receipt", F}, {"mint_unilateral_a2", F},
    {"receiving_key", F}, {"wrap_mask", F}, {"deliver_a1", F}, {"deliver_a2", F}, {"open_a1", F},
    {"open_a2", F}, {"prove_receiving_binding", F}, {"verify_receiving_binding", F},
    {"deposit_fold_a1_witness", F}, {"deposit_fold_a2_witness", F}, {"make_receipt_a2", F},
    {"verify_receipt_a2", F}, {"mint_unilateral_a1", F}, {"make_receipt_a1", F}, {"verify_receipt_a1", F},
    {"issue_credential", F},
};

}  // namespace
}  // namespace vorn::frame

// The entry points' shared implementation, exported from the frame library.
extern "C" __attribute__((visibility("default"))) PyObject* vorn_frame_create(const char* name) {
  using namespace vorn::frame;
  if (std::strcmp(name, "vorn_identity") == 0) return create_module(name, kIdentity);
  if (std::strcmp(name, "vorn_registry") == 0) return create_module(name, kRegistry);
  if (std::strcmp(name, "vorn_wallet") == 0) return create_module(name, kWallet);
  PyErr_SetString(PyExc_ImportError, "vorn: unknown module");
  return nullptr;
}
