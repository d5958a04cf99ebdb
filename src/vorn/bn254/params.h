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
// q followed by -q^-1 mod 2^64, the layout the Montgomery product reads.
inline constexpr uint64_t FQ_MOD_INV[5] = {FQ_MOD[0], FQ_MOD[1], FQ_MOD[2], FQ_MOD[3], FQ_INV};

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
inline constexpr uint64_t FR_MOD_INV[5] = {FR_MOD[0], FR_MOD[1], FR_MOD[2], FR_MOD[3], FR_INV};

// ---- Curve parameter ---------------------------------------------------------------
// x = 4965661367192848881; q = 36x^4 + 36x^3 + 24x^2 + 6x + 1, r = 36x^4 + 36x^3 + 18x^2 + 6x + 1.
inline constexpr uint64_t BN_X = 4965661367192848881ULL;
// 6x + 2 = 0x19d797039be763ba8 (65 bits), the optimal-ate loop length.
inline constexpr uint64_t ATE_LOOP[2] = {0x9d797039be763ba8ULL, 0x1ULL};
// 6x^2 = 0x6f4d8248eeb859fbf83e9682e87cfd46, the G2 subgroup test multiplier.
inline constexpr uint64_t SIX_X_SQ[2] = {0xf83e9682e87cfd46ULL, 0x6f4d8248eeb859fbULL};

// 6x + 2 and x in non-adjacent form, least significant digit first.
inline constexpr int8_t ATE_LOOP_NAF[66] = {0, 0, 0, 1, 0, 1, 0, -1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, -1, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, -1, 0, 0, 1, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, -1, 0, 0, -1, 0, 1, 0, -1, 0, 0, 0, -1, 0, -1, 0, 0, 0, 1, 0, -1, 0, 1};
// x in width-4 NAF (digits odd in [-7, 7] or zero), least significant first.
inline constexpr int8_t BN_X_WNAF4[63] = {1, 0, 0, 0, -1, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, -7, 0, 0, 0, 7, 0, 0, 0, 0, 5, 0, 0, 0, 0, 1, 0, 0, 0, -3, 0, 0, 0, -5, 0, 0, 0, 5, 0, 0, 0, 0, 3, 0, 0, 0, -3, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 1};
inline constexpr int8_t BN_X_NAF[63] = {1, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 1, 0, -1, 0, -1, 0, -1, 0, 1, 0, 1, 0, 0, -1, 0, 1, 0, 1, 0, -1, 0, 0, 1, 0, 1, 0, 0, 0, 1};

// G1: y^2 = x^3 + 3, generator (1, 2).
inline constexpr uint64_t G1_B = 3;


// ---- Towers: Fq2 = Fq[u]/(u^2 + 1), Fq6 = Fq2[v]/(v^3 - xi), Fq12 = Fq6[w]/(w^2 - v) ----
// xi = 9 + u. Fq2 constants are {c0, c1} in Montgomery form.
// FROBk_i = xi^(i*(q^k - 1)/6): the factor the k-th Frobenius map puts on the
// coefficient of w^i in Fq12 (w^6 = xi). FROB1_2 and FROB1_3 also give the twist
// endomorphism psi(x, y) = (conj(x)*FROB1_2, conj(y)*FROB1_3).
inline constexpr uint64_t FROB1_1[2][4] = {{0xaf9ba69633144907ULL, 0xca6b1d7387afb78aULL, 0x11bded5ef08a2087ULL, 0x02f34d751a1f3a7cULL}, {0xa222ae234c492d72ULL, 0xd00f02a4565de15bULL, 0xdc2ff3a253dfc926ULL, 0x10a75716b3899551ULL}};
inline constexpr uint64_t FROB1_2[2][4] = {{0xb5773b104563ab30ULL, 0x347f91c8a9aa6454ULL, 0x7a007127242e0991ULL, 0x1956bcd8118214ecULL}, {0x6e849f1ea0aa4757ULL, 0xaa1c7b6d89f89141ULL, 0xb6e713cdfae0ca3aULL, 0x26694fbb4e82ebc3ULL}};
inline constexpr uint64_t FROB1_3[2][4] = {{0xe4bbdd0c2936b629ULL, 0xbb30f162e133bacbULL, 0x31a9d1b6f9645366ULL, 0x253570bea500f8ddULL}, {0xa1d77ce45ffe77c7ULL, 0x07affd117826d1dbULL, 0x6d16bd27bb7edc6bULL, 0x2c87200285defeccULL}};
inline constexpr uint64_t FROB1_4[2][4] = {{0x7361d77f843abe92ULL, 0xa5bb2bd3273411fbULL, 0x9c941f314b3e2399ULL, 0x15df9cddbb9fd3ecULL}, {0x5dddfd154bd8c949ULL, 0x62cb29a5a4445b60ULL, 0x37bc870a0c7dd2b9ULL, 0x24830a9d3171f0fdULL}};
inline constexpr uint64_t FROB1_5[2][4] = {{0xc970692f41690fe7ULL, 0xe240342127694b0bULL, 0x32bee66b83c459e8ULL, 0x12aabced0ab08841ULL}, {0x0d485d2340aebfa9ULL, 0x05193418ab2fcc57ULL, 0xd3b0a40b8a4910f5ULL, 0x2f21ebb535d2925aULL}};
inline constexpr uint64_t FROB2_1[2][4] = {{0xca8d800500fa1bf2ULL, 0xf0c5d61468b39769ULL, 0x0e201271ad0d4418ULL, 0x04290f65bad856e6ULL}, {0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL}};
inline constexpr uint64_t FROB2_2[2][4] = {{0x3350c88e13e80b9cULL, 0x7dce557cdb5e56b9ULL, 0x6001b4b8b615564aULL, 0x2682e617020217e0ULL}, {0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL}};
inline constexpr uint64_t FROB2_3[2][4] = {{0x68c3488912edefaaULL, 0x8d087f6872aabf4fULL, 0x51e1a24709081231ULL, 0x2259d6b14729c0faULL}, {0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL}};
inline constexpr uint64_t FROB2_4[2][4] = {{0x71930c11d782e155ULL, 0xa6bb947cffbe3323ULL, 0xaa303344d4741444ULL, 0x2c3b3f0d26594943ULL}, {0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL}};
inline constexpr uint64_t FROB2_5[2][4] = {{0x08cfc388c494f1abULL, 0x19b315148d1373d4ULL, 0x584e90fdcb6c0213ULL, 0x09e1685bdf2f8849ULL}, {0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL}};
inline constexpr uint64_t FROB3_1[2][4] = {{0x365316184e46d97dULL, 0x0af7129ed4c96d9fULL, 0x659da72fca1009b5ULL, 0x08116d8983a20d23ULL}, {0xb1df4af7c39c1939ULL, 0x3d9f02878a73bf7fULL, 0x9b2220928caf0ae0ULL, 0x26684515eff054a6ULL}};
inline constexpr uint64_t FROB3_2[2][4] = {{0xc9af22f716ad6badULL, 0xb311782a4aa662b2ULL, 0x19eeaf64e248c7f4ULL, 0x20273e77e3439f82ULL}, {0xacc02860f7ce93acULL, 0x3933d5817ba76b4cULL, 0x69e6188b446c8467ULL, 0x0a46036d4417cc55ULL}};
inline constexpr uint64_t FROB3_3[2][4] = {{0x5764af0aaf46471eULL, 0xdc50792e873e0fc1ULL, 0x86a673ff881d04f6ULL, 0x0b2eddb43c30a74cULL}, {0x9a490f32787e8580ULL, 0x8fd16d7ff04af8b1ULL, 0x4b39888ec6027bf2ULL, 0x03dd2e705b52a15dULL}};
inline constexpr uint64_t FROB3_4[2][4] = {{0x448a93a57b6762dfULL, 0xbfd62df528fdeadfULL, 0xd858f5d00e9bd47aULL, 0x06b03d4d3476ec58ULL}, {0x2b19daf4bcc936d1ULL, 0xa1a54e7a56f4299fULL, 0xb533eee05adeaef1ULL, 0x170c812b84dda0b2ULL}};
inline constexpr uint64_t FROB3_5[2][4] = {{0xe0bc4b2275cf559fULL, 0xc238b945c154e60fULL, 0x803982a5929a7d5eULL, 0x15ce052df7e4a37eULL}, {0x2d28efbdbf3799a7ULL, 0x9b097e3c1ad60773ULL, 0x982d4113af4a535bULL, 0x24e18991e3056063ULL}};
// The twist y^2 = x^3 + b' with b' = 3/(9+u), and 3b' for the complete formulas.
inline constexpr uint64_t TWIST_B[2][4] = {{0x3bf938e377b802a8ULL, 0x020b1b273633535dULL, 0x26b7edf049755260ULL, 0x2514c6324384a86dULL}, {0x38e7ecccd1dcff67ULL, 0x65f0b37d93ce0d3eULL, 0xd749d0dd22ac00aaULL, 0x0141b9ce4a688d4dULL}};
inline constexpr uint64_t TWIST_B3[2][4] = {{0x3baa927cb62e0d6aULL, 0xd71e7c52d1b664fdULL, 0x03873e63d95d4664ULL, 0x0e75b5b1082ab8f4ULL}, {0xaab7c6667596fe35ULL, 0x31d21a78bb6a27baULL, 0x85dd7297680401ffULL, 0x03c52d6adf39a7e9ULL}};

// ---- GLV endomorphism on G1: (x, y) -> (BETA*x, y) equals [LAMBDA](x, y) ----------
// BETA^3 = 1 in Fq (Montgomery form), LAMBDA^2 + LAMBDA + 1 = 0 mod r (plain limbs).

inline constexpr uint64_t GLV_BETA[4] = {0x71930c11d782e155ULL, 0xa6bb947cffbe3323ULL, 0xaa303344d4741444ULL, 0x2c3b3f0d26594943ULL};
inline constexpr uint64_t GLV_LAMBDA[4] = {0x8b17ea66b99c90ddULL, 0x5bfc41088d8daaa7ULL, 0xb3c4d79d41a91758ULL, 0x0000000000000000ULL};
// Short lattice basis v1 = (2x+1, -(6x^2+2x)), v2 = (6x^2+4x+1, 2x+1) of {(a, b): a + b*LAMBDA = 0 mod r},
// and the rounding multipliers GLV_G1 = floor(2^256 (2x+1) / r), GLV_G2 = floor(2^256 (6x^2+2x) / r).
inline constexpr uint64_t GLV_A1[2] = {0x89d3256894d213e3ULL, 0x0000000000000000ULL};      // 2x+1
inline constexpr uint64_t GLV_B1_NEG[2] = {0x8211bbeb7d4f1128ULL, 0x6f4d8248eeb859fcULL};  // 6x^2+2x
inline constexpr uint64_t GLV_A2[2] = {0x0be4e1541221250bULL, 0x6f4d8248eeb859fdULL};      // 6x^2+4x+1
inline constexpr uint64_t GLV_G1[3] = {0xd91d232ec7e0b3d7ULL, 0x0000000000000002ULL, 0x0000000000000000ULL};
inline constexpr uint64_t GLV_G2[3] = {0x7a7bd9d4391eb18dULL, 0x4ccef014a773d2cfULL, 0x0000000000000002ULL};

// ---- GLS split on G2: psi acts on G2 as [6x^2], so k = k1 + k2 * 6x^2 ----------------
// GLS_G = floor(2^256 / (6x^2)) gives the quotient estimate k2 = (k * GLS_G) >> 256.
inline constexpr uint64_t GLS_G[3] = {0x2cb62031c8e01941ULL, 0x4ccef014a773d2d5ULL, 0x0000000000000002ULL};

// ---- Four-way GLS split on G2: k = k0 + k1 L + k2 L^2 + k3 L^3 (mod r), L = 6x^2 ------
// A reduced basis of the lattice {(a0, a1, a2, a3): a0 + a1 L + a2 L^2 + a3 L^3 = 0 mod r}
// (determinant -r), one vector per row, entries in 128-bit two's complement:
//   b0 = (2x+1, 0, 2x, 1)           b1 = (2x, x+1, -x, x)
//   b2 = (x+1, x, x, -2x)           b3 = (2x+1, -x, -(x+1), -x)
inline constexpr uint64_t GLS4_B[4][4][2] = {
    {{0x89d3256894d213e3ULL, 0x0000000000000000ULL}, {0x0000000000000000ULL, 0x0000000000000000ULL}, {0x89d3256894d213e2ULL, 0x0000000000000000ULL}, {0x0000000000000001ULL, 0x0000000000000000ULL}},
    {{0x89d3256894d213e2ULL, 0x0000000000000000ULL}, {0x44e992b44a6909f2ULL, 0x0000000000000000ULL}, {0xbb166d4bb596f60fULL, 0xffffffffffffffffULL}, {0x44e992b44a6909f1ULL, 0x0000000000000000ULL}},
    {{0x44e992b44a6909f2ULL, 0x0000000000000000ULL}, {0x44e992b44a6909f1ULL, 0x0000000000000000ULL}, {0x44e992b44a6909f1ULL, 0x0000000000000000ULL}, {0x762cda976b2dec1eULL, 0xffffffffffffffffULL}},
    {{0x89d3256894d213e3ULL, 0x0000000000000000ULL}, {0xbb166d4bb596f60fULL, 0xffffffffffffffffULL}, {0xbb166d4bb596f60eULL, 0xffffffffffffffffULL}, {0xbb166d4bb596f60fULL, 0xffffffffffffffffULL}},
};
// (k, 0, 0, 0) = sum_j (k N_j / r) b_j: N = r * (first row of the inverse basis), all positive:
//   N0 = 6x^3 + 6x^2 + 2x, N1 = 6x^3 - x, N2 = 2x + 1, N3 = 6x^3 + 6x^2 + x.
inline constexpr uint64_t GLS4_N[4][3] = {{0xd8378506dd96f60eULL, 0x46fb76a5e4491ec4ULL, 0x1df623ef8af183e4ULL}, {0x113c366715dedaf5ULL, 0xd7adf45cf590c4c8ULL, 0x1df623ef8af183e3ULL}, {0x89d3256894d213e3ULL, 0x0000000000000000ULL, 0x0000000000000000ULL}, {0x934df252932dec1dULL, 0x46fb76a5e4491ec4ULL, 0x1df623ef8af183e4ULL}};
// Rounding multipliers GLS4_G_j = round(2^320 N_j / r): c_j = (k G_j + 2^319) >> 320 is
// k N_j / r rounded to nearest, off by at most 1/2 + 2^-67.
inline constexpr uint64_t GLS4_G[4][4] = {{0x353ccca0e558c73cULL, 0x2dff291532e42728ULL, 0x55b4ca7ba3e5577fULL, 0x9e80318ab0d92b95ULL}, {0x7d1fff2e5ce18e26ULL, 0x46f4bda995d51bb1ULL, 0x08e5da66fc7184aeULL, 0x9e80318ab0d92b93ULL}, {0x6eb9c714773a6ef3ULL, 0xd91d232ec7e0b3d7ULL, 0x0000000000000002ULL, 0x0000000000000000ULL}, {0x23038c29bb8bb500ULL, 0xc170977dcef3cd3fULL, 0x55b4ca7ba3e5577dULL, 0x9e80318ab0d92b95ULL}};

// ---- Generators ----------------------------------------------------------------------
// G1 = (1, 2). G2 (canonical limbs): x = X_C0 + X_C1*u, y = Y_C0 + Y_C1*u.
inline constexpr uint64_t G2_X_C0[4] = {0x46debd5cd992f6edULL, 0x674322d4f75edaddULL, 0x426a00665e5c4479ULL, 0x1800deef121f1e76ULL};
inline constexpr uint64_t G2_X_C1[4] = {0x97e485b7aef312c2ULL, 0xf1aa493335a9e712ULL, 0x7260bfb731fb5d25ULL, 0x198e9393920d483aULL};
inline constexpr uint64_t G2_Y_C0[4] = {0x4ce6cc0166fa7daaULL, 0xe3d1e7690c43d37bULL, 0x4aab71808dcb408fULL, 0x12c85ea5db8c6debULL};
inline constexpr uint64_t G2_Y_C1[4] = {0x55acdadcd122975bULL, 0xbc4b313370b38ef3ULL, 0xec9e99ad690c3395ULL, 0x090689d0585ff075ULL};

}  // namespace vorn::bn254::params
