#pragma once
// Texture variants: a pseudo-random value per face position that stays the
// same for every re-mesh within one run of the program.
#include <glm/vec3.hpp>

#include <cstdint>

// The 4096 values, indexed (a * 16 + b) * 16 + c: successive outputs of a
// Mersenne Twister seeded once per process from the random device. Made by
// the first caller, from any thread, while others wait; then only read.
std::int32_t const* randomizer_table();

// The table value at [a][b][c] (each 0..15) XOR v, shifted right
// arithmetically by v & 15.
inline int randomizer(int a, int b, int c, int v) { return (randomizer_table()[(a * 16 + b) * 16 + c] ^ v) >> (v & 15); }

// The low 32 bits of the page position's 64-bit FNV-1a hash, each of its 12
// little-endian bytes sign-extended before it is mixed in.
std::int32_t page_seed(glm::ivec3 const& page);
