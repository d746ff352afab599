#pragma once
// The GPU side of one page mesh: a vertex array over one buffer holding all
// six side runs. Main thread only.
#include "render/cube_page.hpp"

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <vector>

struct Cube_mesh {
  GLuint vao = 0;
  GLuint vbo = 0;
  std::array<std::uint64_t, 6> ends{};

  Cube_mesh();
  ~Cube_mesh();
  Cube_mesh(Cube_mesh const&) = delete;
  Cube_mesh& operator=(Cube_mesh const&) = delete;

  void update(std::vector<Cube_vertex> const& vertices, std::array<std::uint64_t, 6> const& ends);
};
