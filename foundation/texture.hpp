#pragma once
// Images, 2-D textures, shaders and screenshots. Everything except
// load_rgba needs the window's OpenGL context current on this thread.
#include <epoxy/gl.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <vector>

struct SDL_Surface;

struct Surface_deleter {
  void operator()(SDL_Surface* s) const;
};
using Surface = std::unique_ptr<SDL_Surface, Surface_deleter>;

// Loads any image SDL_image reads, converted to RGBA bytes (ABGR8888), top
// row first. Throws std::runtime_error with SDL's error text.
Surface load_rgba(std::filesystem::path const& path);

// Binds the texture to GL_TEXTURE_2D, uploads the image with nearest filtering.
void load_texture_2d(GLuint texture, std::filesystem::path const& path);

// Binds the texture to GL_TEXTURE_CUBE_MAP and uploads one image per face,
// nearest filtering, every wrap mode GL_CLAMP.
void load_texture_cubemap(GLuint texture, std::filesystem::path const& pos_x, std::filesystem::path const& neg_x,
                          std::filesystem::path const& pos_y, std::filesystem::path const& neg_y,
                          std::filesystem::path const& pos_z, std::filesystem::path const& neg_z);

// One layer per file, all of the first file's size ("Texture size mismatch"
// otherwise), into immutable storage of `levels` levels, mipmaps generated
// when there is more than one. No filter or wrap is set. Throws for an empty
// list, which has no size to give the storage.
void load_texture_array(GLuint texture, std::vector<std::filesystem::path> const& files, int levels);

// The shader name, or 0 when it does not compile; the driver's log goes to SDL_Log.
GLuint compile_shader(char const* source, GLenum type);
// Reads the file with slurp (whose error escapes) and compiles it.
GLuint compile_shader(std::filesystem::path const& path, GLenum type);

// The program name, or 0 when it does not link. Shaders stay attached.
GLuint link_program(std::initializer_list<GLuint> shaders);

// Writes the current GL window's picture as a PNG, top row first. False
// (and SDL's error logged) when nothing was written.
bool screenshot(std::filesystem::path const& path);
