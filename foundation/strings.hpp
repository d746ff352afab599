#pragma once
// Text forms shared by the settings file and anything that prints vectors.
#include <glm/vec3.hpp>

#include <iosfwd>

namespace glm {
// "x y z" in decimal.
std::ostream& operator<<(std::ostream& os, ivec3 const& v);
// Three integers in order, by formatted extraction.
std::istream& operator>>(std::istream& is, ivec3& v);
} // namespace glm
