#include "foundation/texture_array.hpp"

#include "foundation/media.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

void keep_gl_driver_loaded();
Window_config test_window(int w, int h);
void write_png(fs::path const& path, int w, int h, std::function<std::uint32_t(int x, int y)> const& colour);

TEST(Tex_range, FramesWrapAndOrientationBitsRideAlong) {
  Tex_range r{10, 3};
  EXPECT_EQ(r.get(0), 10u);
  EXPECT_EQ(r.get(4), 11u);
  EXPECT_EQ(r.get(5), 12u);
  EXPECT_EQ(r.get(~std::uint64_t(0)), 10u + ~std::uint64_t(0) % 3);
  Tex_range untextured;
  EXPECT_EQ(untextured, (Tex_range{0xFFFF, 1}));
  EXPECT_EQ(untextured.get(99), 0xFFFFu);
  // The frame is added to the whole value, flags included.
  Tex_range flipped{std::uint16_t(Tex_range::flip_x | Tex_range::flip_d | 40), 4};
  EXPECT_EQ(flipped.get(6), 0xA000u | 42u);
  EXPECT_EQ(flipped.get(6) & Tex_range::layer_mask, 42u);
  EXPECT_EQ((Tex_range{5, 0}).get(3), 5u); // add never makes a zero count; no division by it
}

TEST(Texture_array, MipLevelsStopAtOnePixel) {
  std::vector<int> levels;
  for (int size : {1, 2, 3, 4, 7, 8, 1024}) levels.push_back(Texture_array::mip_levels(size));
  EXPECT_EQ(levels, (std::vector<int>{1, 2, 2, 3, 3, 4, 4}));
}

namespace {

// Pixel (x, y) of image `tag`: red = tag, green = y from the top, blue = x.
void write_tagged(fs::path const& path, int w, int h, std::uint32_t tag) {
  write_png(path, w, h, [tag](int x, int y) { return tag << 24 | std::uint32_t(y & 0xff) << 16 | std::uint32_t(x & 0xff) << 8 | 0xff; });
}

std::uint32_t rgba(std::uint8_t const* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

class Array_test : public ::testing::Test {
protected:
  static inline std::unique_ptr<Media> media;
  fs::path dir = fs::path(::testing::TempDir()) / ("terrafold_array_" + std::to_string(getpid()));

  static void SetUpTestSuite() {
    media = std::make_unique<Media>(test_window(32, 32));
    keep_gl_driver_loaded();
  }
  static void TearDownTestSuite() { media.reset(); }
  void SetUp() override {
    media->begin();
    fs::create_directories(dir);
    write_tagged(dir / "one.png", 16, 16, 1);
    write_tagged(dir / "three.png", 16, 48, 2);
    write_tagged(dir / "two.png", 16, 32, 3);
  }
  void TearDown() override {
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    fs::remove_all(dir);
  }

  // Expects the file to be refused with its name and the array unchanged.
  static void expect_refused(Texture_array& a, fs::path const& file, std::string const& reason) {
    auto before = std::make_tuple(a.size, a.pixels.size(), a.ranges.size(), a.layers);
    try {
      a.add(file);
      ADD_FAILURE() << file << " was accepted";
    } catch (std::runtime_error const& e) {
      EXPECT_EQ(std::string(e.what()), file.string() + ": " + reason);
    }
    EXPECT_EQ(before, std::make_tuple(a.size, a.pixels.size(), a.ranges.size(), a.layers));
  }
};

} // namespace

TEST_F(Array_test, ImagesAreCutIntoSquaresTopFirst) {
  Texture_array a;
  EXPECT_NE(a.texture, 0u);
  EXPECT_EQ(a.add(dir / "one.png"), (Tex_range{0, 1}));
  EXPECT_EQ(a.size, 16);
  EXPECT_EQ(a.add(dir / "three.png"), (Tex_range{1, 3}));
  EXPECT_EQ(a.add(dir / "two.png"), (Tex_range{4, 2}));
  EXPECT_EQ(a.layers, 6);
  ASSERT_EQ(a.pixels.size(), 6u * 16 * 16 * 4);
  std::size_t layer = 16 * 16 * 4, row = 16 * 4;
  // Layer 1 is the top square of the 48-high image, layer 3 its bottom one.
  EXPECT_EQ(rgba(&a.pixels[layer * 1]), 0x020000ffu);
  EXPECT_EQ(rgba(&a.pixels[layer * 3 + row * 15 + 4 * 5]), 0x022f05ffu);
  EXPECT_EQ(rgba(&a.pixels[layer * 5 + row * 15]), 0x031f00ffu);

  // Adding again hands out the same range and reads nothing; a path spelled
  // differently is another key, even for the same file.
  EXPECT_EQ(a.add(dir / "three.png"), (Tex_range{1, 3}));
  EXPECT_EQ(a.add(dir / "." / "three.png"), (Tex_range{6, 3}));
  EXPECT_EQ(a.layers, 9);
  EXPECT_EQ(a.ranges.size(), 4u);
}

TEST_F(Array_test, MismatchedAndBrokenImagesAreRefusedWithTheirName) {
  write_tagged(dir / "wide.png", 32, 32, 4);
  write_tagged(dir / "ragged.png", 16, 40, 5);
  write_tagged(dir / "short.png", 16, 8, 6);
  Texture_array a;
  a.add(dir / "one.png");
  expect_refused(a, dir / "wide.png", "Texture size mismatch");
  expect_refused(a, dir / "ragged.png", "Texture size mismatch");
  expect_refused(a, dir / "short.png", "Texture size mismatch");
  EXPECT_THROW(a.add(dir / "missing.png"), std::runtime_error);
  EXPECT_EQ(a.layers, 1);
  // Even the first image must be a stack of squares.
  Texture_array b;
  expect_refused(b, dir / "ragged.png", "Texture size mismatch");
  EXPECT_EQ(b.size, -1);
}

TEST_F(Array_test, LayersStayWithinTheDriverAndThirteenBits) {
  Texture_array a;
  GLint driver = 0;
  glGetIntegerv(GL_MAX_ARRAY_TEXTURE_LAYERS, &driver);
  EXPECT_EQ(a.max_layers, std::min(driver, 8191));
  // One-pixel squares make long strips cheaply.
  write_tagged(dir / "strip.png", 1, a.max_layers, 7);
  write_tagged(dir / "dot.png", 1, 1, 8);
  write_tagged(dir / "huge.png", 1, 8192, 9);
  expect_refused(a, dir / "huge.png", "too many texture layers");
  EXPECT_EQ(a.add(dir / "strip.png").count, a.max_layers);
  expect_refused(a, dir / "dot.png", "too many texture layers");

  // Where the driver allows more, layer 8190 is the last.
  Texture_array b;
  b.max_layers = Texture_array::max_layers_13bit;
  write_tagged(dir / "long.png", 1, 8190, 10);
  write_tagged(dir / "dot2.png", 1, 1, 11);
  EXPECT_EQ(b.add(dir / "long.png"), (Tex_range{0, 8190}));
  EXPECT_EQ(b.add(dir / "dot.png"), (Tex_range{8190, 1}));
  expect_refused(b, dir / "dot2.png", "too many texture layers");
}

TEST_F(Array_test, UploadAndViewsShowEachLayer) {
  Texture_array a;
  a.add(dir / "one.png");
  a.add(dir / "three.png");
  a.upload();
  GLint bound = 0, depth = 0, levels = 0, min = 0, mag = 0, wrap = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D_ARRAY, &bound);
  glGetTexLevelParameteriv(GL_TEXTURE_2D_ARRAY, 0, GL_TEXTURE_DEPTH, &depth);
  glGetTexParameteriv(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_IMMUTABLE_LEVELS, &levels);
  glGetTexParameteriv(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, &min);
  glGetTexParameteriv(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, &mag);
  glGetTexParameteriv(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_T, &wrap);
  EXPECT_EQ(GLuint(bound), a.texture);
  EXPECT_EQ(depth, 4);
  EXPECT_EQ(levels, 4);
  EXPECT_EQ(min, GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(mag, GL_NEAREST);
  EXPECT_EQ(wrap, GL_REPEAT);

  Texture_array_views views(a);
  ASSERT_EQ(views.views.size(), 4u);
  std::vector<std::uint8_t> px(16 * 16 * 4);
  for (std::size_t l = 0; l < 4; ++l) {
    glBindTexture(GL_TEXTURE_2D, views.views[l]);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    EXPECT_TRUE(std::equal(px.begin(), px.end(), a.pixels.begin() + std::ptrdiff_t(l * px.size()))) << l;
  }
  EXPECT_EQ(rgba(&a.pixels[2 * px.size()]), 0x021000ffu); // layer 2: rows 16 to 31 of the second image

  Texture_array_views moved(std::move(views));
  EXPECT_TRUE(views.views.empty());
  EXPECT_EQ(moved.views.size(), 4u);
}

TEST_F(Array_test, EmptyArraysUploadNothingAndSmallLayersGetFewerLevels) {
  Texture_array a;
  a.upload();
  EXPECT_TRUE(Texture_array_views(a).views.empty());

  write_tagged(dir / "tiny.png", 2, 4, 12);
  Texture_array b;
  b.add(dir / "tiny.png");
  b.upload();
  GLint levels = 0;
  glGetTexParameteriv(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_IMMUTABLE_LEVELS, &levels);
  EXPECT_EQ(levels, 2);
}
