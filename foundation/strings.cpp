#include "foundation/strings.hpp"

#include <istream>
#include <ostream>

namespace glm {

std::ostream& operator<<(std::ostream& os, ivec3 const& v) {
  return os << v.x << ' ' << v.y << ' ' << v.z;
}

std::istream& operator>>(std::istream& is, ivec3& v) { return is >> v.x >> v.y >> v.z; }

} // namespace glm
