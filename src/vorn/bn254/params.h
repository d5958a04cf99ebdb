// BN254 constants, all in one place.
//
// Multi-limb values are four 64-bit limbs, least significant first. Values marked
// "Montgomery" are stored as a*2^256 mod q so they load without a conversion. Each
// constant is derived or checked in tests/cpp/test_bn254_params.cpp.
#pragma once

#include <cstdint>

namespace vorn::bn254::params {

// ---- Base field Fq -------------------------------------------------------------------
// q = 0x30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47
inline constexpr uint64_t FQ_MOD[4] = {0x3c208c16d87cfd47ULL, 0x97816a916871ca8dULL,
                                       0xb85045b68181585dULL, 0x30644e72e131a029ULL};
// 2^256 mod q (Montgomery form of 1)
inline constexpr uint64_t FQ_R[4] = {0xd35d438dc58f0d9dULL, 0x0a78eb28f5c70b3dULL,
                                     0x666ea36f7879462cULL, 0x0e0a77c19a07df2fULL};
// 2^512 mod q
inline constexpr uint64_t FQ_R2[4] = {0xf32cfc5b538afa89ULL, 0xb5e71911d44501fbULL,
                                      0x47ab1eff0a417ff6ULL, 0x06d89f71cab8351fULL};
// 2^768 mod q
inline constexpr uint64_t FQ_R3[4] = {0xb1cd6dafda1530dfULL, 0x62f210e6a7283db6ULL,
                                      0xef7f0b0c0ada0afbULL, 0x20fd6e902d592544ULL};
// -q^-1 mod 2^64
inline constexpr uint64_t FQ_INV = 0x87d20782e4866389ULL;

// ---- Scalar field Fr (the group order) -----------------------------------------------
// r = 0x30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001
inline constexpr uint64_t FR_MOD[4] = {0x43e1f593f0000001ULL, 0x2833e84879b97091ULL,
                                       0xb85045b68181585dULL, 0x30644e72e131a029ULL};
inline constexpr uint64_t FR_R[4] = {0xac96341c4ffffffbULL, 0x36fc76959f60cd29ULL,
                                     0x666ea36f7879462eULL, 0x0e0a77c19a07df2fULL};
inline constexpr uint64_t FR_R2[4] = {0x1bb8e645ae216da7ULL, 0x53fe3ab1e35c59e3ULL,
                                      0x8c49833d53bb8085ULL, 0x0216d0b17f4e44a5ULL};
inline constexpr uint64_t FR_R3[4] = {0x5e94d8e1b4bf0040ULL, 0x2a489cbe1cfbb6b8ULL,
                                      0x893cc664a19fcfedULL, 0x0cf8594b7fcc657cULL};
inline constexpr uint64_t FR_INV = 0xc2e1f593efffffffULL;

// ---- Curve parameter ---------------------------------------------------------------
// x = 4965661367192848881; q = 36x^4 + 36x^3 + 24x^2 + 6x + 1, r = 36x^4 + 36x^3 + 18x^2 + 6x + 1.
inline constexpr uint64_t BN_X = 4965661367192848881ULL;
// 6x + 2 = 0x19d797039be763ba8 (65 bits), the optimal-ate loop length.
inline constexpr uint64_t ATE_LOOP[2] = {0x9d797039be763ba8ULL, 0x1ULL};
// 6x^2 = 0x6f4d8248eeb859fbf83e9682e87cfd46, the G2 subgroup test multiplier.
inline constexpr uint64_t SIX_X_SQ[2] = {0xf83e9682e87cfd46ULL, 0x6f4d8248eeb859fbULL};

// G1: y^2 = x^3 + 3, generator (1, 2).
inline constexpr uint64_t G1_B = 3;

}  // namespace vorn::bn254::params
