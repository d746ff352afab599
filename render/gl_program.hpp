#pragma once
// One renderer's shader pair and program, read from the data directories.
// A source that does not compile or link leaves program 0 (logged); the
// renderer then draws nothing but the game goes on. A missing file throws.
#include "foundation/paths.hpp"

#include <epoxy/gl.h>

#include <filesystem>

struct Gl_program {
  GLuint vertex = 0;
  GLuint fragment = 0;
  GLuint program = 0;

  // `vert` and `frag` are names under the data directories' basedir, such
  // as "shaders/cube.vert".
  Gl_program(Dirs const& data, char const* vert, char const* frag);
  ~Gl_program();
  Gl_program(Gl_program const&) = delete;
  Gl_program& operator=(Gl_program const&) = delete;

  // -1 without a program, as for a uniform the program does not use.
  GLint uniform(char const* name) const { return program ? glGetUniformLocation(program, name) : -1; }
};

// A data file under basedir; empty when none of the directories has it.
std::filesystem::path data_file(Dirs const& data, char const* name);

// A 2-D texture loaded from a data file (nearest filtering, left bound to
// GL_TEXTURE_2D); throws when the image is missing or unreadable.
struct Gl_texture {
  GLuint name = 0;

  Gl_texture(Dirs const& data, char const* file);
  ~Gl_texture() { glDeleteTextures(1, &name); }
  Gl_texture(Gl_texture const&) = delete;
  Gl_texture& operator=(Gl_texture const&) = delete;
};
