#include "render/gl_program.hpp"

#include "foundation/texture.hpp"

std::filesystem::path data_file(Dirs const& data, char const* name) { return data.r(basedir / name); }

Gl_program::Gl_program(Dirs const& data, char const* vert, char const* frag) {
  vertex = compile_shader(data_file(data, vert), GL_VERTEX_SHADER);
  try {
    fragment = compile_shader(data_file(data, frag), GL_FRAGMENT_SHADER);
  } catch (...) {
    glDeleteShader(vertex);
    throw;
  }
  // A shader that failed is already logged; linking it would only add a GL error.
  if (vertex && fragment) program = link_program({vertex, fragment});
}

Gl_program::~Gl_program() {
  glDeleteProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
}

Gl_texture::Gl_texture(Dirs const& data, char const* file) {
  glGenTextures(1, &name);
  try {
    load_texture_2d(name, data_file(data, file));
  } catch (...) {
    glDeleteTextures(1, &name);
    throw;
  }
}
