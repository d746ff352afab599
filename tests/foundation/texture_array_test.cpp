#include "foundation/texture_array.hpp"

#include "support/gl.hpp"
#include "support/image.hpp"
#include "util.hpp"

#include <tuple>

TEST(Tex_range, FramesWrapAndOrientationBitsRideAlong) {
  Tex_range r{10, 3};
  EXPECT_EQ(std::tuple(r.get(0), r.get(4), r.get(5), r.get(~std::uint64_t(0))), std::tuple(10u, 11u, 12u, 10u));
  EXPECT_EQ(Tex_range{}.get(99), 0xFFFFu); // untextured
  // The frame is added to the whole value, flags included.
  EXPECT_EQ((Tex_range{std::uint16_t(Tex_range::flip_x | Tex_range::flip_d | 40), 4}).get(6), 0xA000u | 42u);
  EXPECT_EQ((Tex_range{5, 0}).get(3), 5u); // a zero count is never divided by
  for (auto [size, levels] : {std::pair(1, 1), {2, 2}, {3, 2}, {4, 3}, {7, 3}, {8, 4}, {1024, 4}})
    EXPECT_EQ(Texture_array::mip_levels(size), levels) << size;
}

namespace {

struct Array : Gl_test {
  Temp_dir tmp;
  // Pixel (x, y) of image `tag`: red = tag, green = y from the top, blue = x.
  fs::path tagged(std::string const& name, int w, int h, std::uint32_t tag) {
    write_png(tmp / name, w, h, [=](int x, int y) { return tag << 24 | (y & 0xffu) << 16 | (x & 0xffu) << 8 | 0xff; });
    return tmp / name;
  }
  // The file is refused with its name and the array is unchanged.
  static void expect_refused(Texture_array& a, fs::path const& file, std::string const& reason) {
    auto before = std::make_tuple(a.size, a.pixels.size(), a.ranges.size(), a.layers);
    EXPECT_EQ(error_of([&] { a.add(file); }), file.string() + ": " + reason);
    EXPECT_EQ(before, std::make_tuple(a.size, a.pixels.size(), a.ranges.size(), a.layers));
  }
};

} // namespace

TEST_F(Array, ImagesAreCutIntoSquaresTopFirstAndMismatchesRefused) {
  Texture_array a;
  EXPECT_EQ(a.add(tagged("one.png", 16, 16, 1)), (Tex_range{0, 1}));
  EXPECT_EQ(a.add(tagged("three.png", 16, 48, 2)), (Tex_range{1, 3}));
  EXPECT_EQ(a.add(tagged("two.png", 16, 32, 3)), (Tex_range{4, 2}));
  EXPECT_EQ(std::tuple(a.size, a.layers, a.pixels.size()), std::tuple(16, 6, 6u * 16 * 16 * 4));
  std::size_t layer = 16 * 16, row = 16;
  // Layer 1 is the top square of the 48-high image, layer 3 its bottom one.
  EXPECT_EQ(rgba_at(a.pixels, layer * 1), 0x020000ffu);
  EXPECT_EQ(rgba_at(a.pixels, layer * 3 + row * 15 + 5), 0x022f05ffu);
  EXPECT_EQ(rgba_at(a.pixels, layer * 5 + row * 15), 0x031f00ffu);
  // Adding again hands out the same range; a path spelled differently is
  // another key, even for the same file.
  EXPECT_EQ(a.add(tmp / "three.png"), (Tex_range{1, 3}));
  EXPECT_EQ(a.add(tmp / "." / "three.png"), (Tex_range{6, 3}));
  EXPECT_EQ(std::tuple(a.layers, a.ranges.size()), std::tuple(9, 4u));

  expect_refused(a, tagged("wide.png", 32, 32, 4), "Texture size mismatch");
  expect_refused(a, tagged("ragged.png", 16, 40, 5), "Texture size mismatch");
  expect_refused(a, tagged("short.png", 16, 8, 6), "Texture size mismatch");
  EXPECT_THROW(a.add(tmp / "missing.png"), std::runtime_error);
  Texture_array b; // even the first image must be a stack of squares
  expect_refused(b, tmp / "ragged.png", "Texture size mismatch");
  EXPECT_EQ(b.size, -1);
}

TEST_F(Array, LayersStayWithinTheDriverAndThirteenBits) {
  Texture_array a;
  GLint driver = 0;
  glGetIntegerv(GL_MAX_ARRAY_TEXTURE_LAYERS, &driver);
  EXPECT_EQ(a.max_layers, std::min(driver, 8191));
  // One-pixel squares make long strips cheaply.
  expect_refused(a, tagged("huge.png", 1, 8192, 9), "too many texture layers");
  EXPECT_EQ(a.add(tagged("strip.png", 1, a.max_layers, 7)).count, a.max_layers);
  expect_refused(a, tagged("dot.png", 1, 1, 8), "too many texture layers");
  // Where the driver allows more, layer 8190 is the last.
  Texture_array b;
  b.max_layers = Texture_array::max_layers_13bit;
  EXPECT_EQ(b.add(tagged("long.png", 1, 8190, 10)), (Tex_range{0, 8190}));
  EXPECT_EQ(b.add(tmp / "dot.png"), (Tex_range{8190, 1}));
  expect_refused(b, tagged("dot2.png", 1, 1, 11), "too many texture layers");
}

TEST_F(Array, UploadAndViewsShowEachLayer) {
  Texture_array a, empty, tiny;
  a.add(tagged("one.png", 16, 16, 1));
  a.add(tagged("three.png", 16, 48, 2));
  a.upload();
  GLint bound = 0, depth = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D_ARRAY, &bound);
  glGetTexLevelParameteriv(GL_TEXTURE_2D_ARRAY, 0, GL_TEXTURE_DEPTH, &depth);
  EXPECT_EQ(std::tuple(GLuint(bound), depth), std::tuple(a.texture, 4));
  std::pair<GLenum, GLint> params[] = {{GL_TEXTURE_IMMUTABLE_LEVELS, 4},
                                       {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR},
                                       {GL_TEXTURE_MAG_FILTER, GL_NEAREST}, {GL_TEXTURE_WRAP_T, GL_REPEAT}};
  for (auto [name, want] : params) EXPECT_EQ(tex_param(GL_TEXTURE_2D_ARRAY, name), want) << name;

  Texture_array_views views(a);
  ASSERT_EQ(views.views.size(), 4u);
  for (std::size_t l = 0; l < 4; ++l) {
    glBindTexture(GL_TEXTURE_2D, views.views[l]);
    auto px = read_texture(GL_TEXTURE_2D, 16, 16);
    EXPECT_TRUE(std::equal(px.begin(), px.end(), a.pixels.begin() + std::ptrdiff_t(l * px.size()))) << l;
  }
  Texture_array_views moved(std::move(views));
  EXPECT_EQ(std::pair(views.views.size(), moved.views.size()), std::pair(0ul, 4ul));

  empty.upload();
  EXPECT_TRUE(Texture_array_views(empty).views.empty());
  tiny.add(tagged("tiny.png", 2, 4, 12));
  tiny.upload(); // small layers get fewer levels
  EXPECT_EQ(tex_param(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_IMMUTABLE_LEVELS), 2);
}
