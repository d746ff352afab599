// Pages, billboard cells and mobs drawn through the shipped shaders on the
// offscreen driver, read back pixel by pixel.
#include "render/billboards.hpp"
#include "render/cube_renderer.hpp"
#include "render/mob_renderer.hpp"
#include "render/page_mesh.hpp"
#include "render/quad_renderer.hpp"

#include "support/render_world.hpp"

#include <cmath>
#include <numbers>
#include <tuple>

#include <glm/trigonometric.hpp>

namespace {

using namespace paint;

struct Draw : Render_world {};

// A 16 x 16 face on the plane z = 16 of the page, facing +z, image upright.
Cube_page facing_quad(std::uint8_t light, std::uint8_t mask, std::uint16_t layer) {
  struct Corner {
    std::uint8_t x, y, u, v;
  } const bl{0, 0, 0, 1}, br{16, 0, 1, 1}, tr{16, 16, 1, 0}, tl{0, 16, 0, 0};
  Cube_page p;
  for (Corner c : {bl, br, tr, bl, tr, tl}) p.vertices.push_back({c.x, c.y, 16, light, mask, 1, c.u, c.v, layer});
  p.ends = {0, 0, 0, 0, 0, 6};
  return p;
}

// n invisible vertices on every side.
Cube_page counted(glm::ivec3 page, std::uint64_t n) {
  Cube_page p;
  p.page = page;
  p.vertices.resize(6 * n, Cube_vertex{});
  for (std::size_t s = 0; s < 6; ++s) p.ends[s] = n * (s + 1);
  return p;
}

void expect_colour(std::uint32_t pixel, std::uint32_t expected, char const* what, int tolerance = 12) {
  EXPECT_NEAR(red_of(pixel), red_of(expected), tolerance) << what;
  EXPECT_NEAR(green_of(pixel), green_of(expected), tolerance) << what;
  EXPECT_NEAR(blue_of(pixel), blue_of(expected), tolerance) << what;
}

// What the page, billboard and mob renderers leave set.
void expect_world_state(char const* who) {
  GLint depth_func = 0, cull = 0, front = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
  glGetIntegerv(GL_CULL_FACE_MODE, &cull);
  glGetIntegerv(GL_FRONT_FACE, &front);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_DEPTH_TEST)) << who;
  EXPECT_EQ(std::tuple(depth_func, cull, front), std::tuple(GL_LESS, GL_BACK, GL_CCW)) << who;
}

std::uint32_t const sky = 0x639cffff; // 0.39, 0.61, 1.0

// Eye 14 cells in front of the face of facing_quad, looking at its middle.
Camera const front = camera_at({8, 8, 30}, 0, 0, {64, 48});

} // namespace

TEST_F(Draw, PageFacesAreLitShadedAndFoggedAndUntexturedOnesFallBack) {
  Cube_renderer pages(*scene, *models, built_data());
  Tex_id const red_layer = layer_of("rt.red");
  struct Case {
    char const* what;
    std::uint8_t light, mask;
    Tex_id layer;
    float fog_depth;
    std::uint32_t colour;
  } const cases[] = {
      {"full sunlight", 0x0f, 0, red_layer, 1000, red},
      {"spotlight alone", 0xf0, 0, red_layer, 1000, red},
      {"half light", 0x08, 0, red_layer, 1000, 0x880000ff},
      {"every neighbour closed", 0x0f, 0xff, red_layer, 1000, 0x7a0000ff},
      {"past the fog depth", 0x0f, 0, red_layer, 4, sky},
      {"layer past the array", 0x0f, 0, 0x1fff, 1000, magenta},
      {"untextured", 0x0f, 0, 0xffff, 1000, magenta},
      {"orientation bits on a missing layer", 0x0f, 0, 0x2000 | 600, 1000, magenta},
  };
  for (auto const& k : cases) {
    SetUp();
    scene->fog_depth = k.fog_depth;
    pages.update({facing_quad(k.light, k.mask, k.layer)});
    pages.render(front.position, front.projection * front.view);
    Pixels const px = pixels();
    expect_colour(px.at(32, 24), k.colour, k.what);
    expect_colour(px.at(1, 1), sky, "sky around the page", 1);
    EXPECT_EQ(pages.vertices_drawn, 6u) << k.what;
  }
  expect_world_state("pages");

  // Closed cells along the face's edge u = 0 (its left on screen) darken that side.
  SetUp();
  pages.update({facing_quad(0x0f, 0x80, red_layer)});
  pages.render(front.position, front.projection * front.view);
  Pixels const px = pixels();
  EXPECT_LT(red_of(px.at(10, 24)) + 40, red_of(px.at(54, 24)));
}

TEST_F(Draw, OrientationBitsTransposeThenFlip) {
  Cube_renderer pages(*scene, *models, built_data());
  Tex_id const split = layer_of("rt.split");
  struct Case {
    char const* what;
    std::uint16_t bits;
    std::uint32_t top_left, top_right;
  } const cases[] = {
      {"as drawn", 0, red, blue},           {"flip x", 0x2000, blue, red},
      {"flip y", 0x4000, yellow, white},    {"transpose", 0x8000, red, yellow},
      {"rot90", 0xc000, yellow, red},       {"rot180", 0x6000, white, yellow},
  };
  for (auto const& k : cases) {
    SetUp();
    pages.update({facing_quad(0x0f, 0, std::uint16_t(split | k.bits))});
    pages.render(front.position, front.projection * front.view);
    Pixels const px = pixels();
    expect_colour(px.at(20, 14), k.top_left, k.what);
    expect_colour(px.at(44, 14), k.top_right, k.what);
  }
}

TEST_F(Draw, MeshesFollowTheQueueAndOnlySidesFacingTheCameraAreDrawn) {
  Cube_renderer pages(*scene, *models, built_data());
  glm::mat4 const vp = front.projection * front.view;
  pages.render(front.position, vp);
  EXPECT_EQ(pages.vertices_drawn, 0u);

  glm::ivec3 const a(0, 0, 0), elsewhere(5, 0, 0);
  pages.update({counted(a, 6), Cube_page{elsewhere, {}}, counted(a, 12)}); // the later one wins
  EXPECT_EQ(pages.meshes.size(), 1u);
  std::uint64_t const ops = scene->render.ops;
  // Inside: all six sides; below on every axis: l, d, f (which sides is the frustum tests').
  for (auto [camera, drawn] : {std::pair(glm::vec3(8), 72u), {glm::vec3(-4), 36u}}) {
    pages.render(camera, vp);
    EXPECT_EQ(pages.vertices_drawn, drawn) << camera.x;
  }
  EXPECT_EQ(scene->render.ops - ops, 2u); // one operation per page drawn
  EXPECT_EQ(pages.effect_frame, 3u);

  pages.update({Cube_page{a, {}}});
  EXPECT_TRUE(pages.meshes.empty());
  pages.render(front.position, vp);
  EXPECT_EQ(pages.vertices_drawn, 0u);
}

TEST_F(Draw, BillboardsFaceTheCameraAndDropTransparentTexels) {
  Quad_renderer quads(*scene, *models, built_data());
  Wmap_page page;
  page.cells.set(cell_index(8, 8, 8), cell_db()["rt.flower"].id);
  std::vector<Quad_center> const list = make_mesh_for_billboards(page, cell_db(), models->cells);
  ASSERT_EQ(list.size(), 1u);
  quads.update({Quad_page{{0, 0, 0}, list}});
  // Seen from +z and from +x: the sprite's opaque right half lies right of the middle.
  for (Camera const& c : {camera_at({8.5f, 8.5f, 12}, 0, 0, {64, 48}),
                          camera_at({12, 8.5f, 8.5f}, 0, std::numbers::pi_v<float> / 2, {64, 48})}) {
    SetUp();
    quads.render(c.position, c.projection, c.view);
    Pixels const px = pixels();
    expect_colour(px.at(35, 24), yellow, "opaque half");
    expect_colour(px.at(28, 24), sky, "transparent half", 1);
  }
  expect_world_state("billboards");
  quads.update({Quad_page{{0, 0, 0}, {}}});
  EXPECT_TRUE(quads.meshes.empty());
}

TEST_F(Draw, MobSpritesMirrorByFacingAndTakeTheirCellsLight) {
  Mob_renderer mobs(*scene, *models, built_data());
  auto owned = std::make_unique<Mob>();
  Mob& walker = *owned;
  walker.type = mob_db()["rt.walker"].id;
  walker.body.position = {8.5f, 8.5f, 8.5f};
  scene->mobs.adopt(std::move(owned));
  Camera const c = camera_at({8.5f, 8.5f, 12}, 0, 0, {64, 48});

  struct Case {
    char const* what;
    float yaw;
    bool loaded_dark;
    std::uint32_t left, right;
  } const cases[] = {
      {"facing away", 0.0f, false, red, blue},
      {"facing away, turned left: mirrored", 0.4f, false, blue, red},
      {"in a dark loaded page", 0.0f, true, black, black},
  };
  for (auto const& k : cases) {
    SetUp();
    walker.body.angles.y = k.yaw;
    if (k.loaded_dark) scene->wmap.insert({0, 0, 0}).light = Page<Light>(0);
    mobs.render(c.position, c.projection, c.view);
    scene->wmap.erase({0, 0, 0});
    Pixels const px = pixels();
    expect_colour(px.at(28, 24), k.left, k.what);
    expect_colour(px.at(36, 24), k.right, k.what);
  }
  expect_world_state("mobs");
  scene->mobs.clear();
  mobs.render(c.position, c.projection, c.view);
  EXPECT_EQ(mobs.mesh.count, 0u);
}

TEST_F(Draw, TheSeaReachesTheViewDistanceBeyondTheHighDetailPages) {
  // A sea page under air, meshed at both details; the pages around the eye
  // out to the default high-detail radius take the high-detail mesh, the
  // others out to the default view distance the low-detail one.
  Config const defaults{Config::Defaults{}};
  Cell_id const sea = 2;
  Wmap wmap(glm::ivec3(4));
  for (int i = 0; i < 27; ++i) {
    glm::ivec3 const p = glm::ivec3(i / 9, i / 3 % 3, i % 3) - 1;
    Wmap_page& page = wmap.insert(p);
    page.cells = Page<Cell_id>(p.y < 1 ? sea : 1);
    page.light = Page<Light>(0x0F);
  }
  Cell_model water;
  for (Tex_range& t : water.texture) t = Tex_range{layer_of("rt.red"), 1};
  Cell_models const cells({Cell_opacity::opaque, Cell_opacity::clear, Cell_opacity::semiclear},
                          {Cell_model{}, Cell_model{}, water});
  Cube_mesh_data const high = mesh_page(wmap, {}, 0, cells), low = mesh_page(wmap, {}, 1, cells);
  EXPECT_EQ(low.vertices.size(), 6u);

  int const view = defaults.view_distance.x, near = defaults.high_def_radius;
  std::vector<Cube_page> sea_pages;
  for (int x = -view; x <= view; ++x)
    for (int z = -view; z <= 0; ++z)
      sea_pages.emplace_back(glm::ivec3(x, -1, z), Cube_mesh_data(std::max(std::abs(x), -z) <= near ? high : low));
  Cube_renderer pages(*scene, *models, built_data());
  pages.update(sea_pages);

  // From 40 cells above the water, looking along -z a little down, fogged
  // as the game fogs at that view distance.
  float const height = 40.0f, pitch = -0.1f, fov = glm::radians(float(defaults.field_of_view));
  Camera const c = camera_at({8, height, 8}, pitch, 0, {64, 48}, float(view) * 24.0f, fov);
  float const fog = float(view) * 16.0f;
  scene->fog_color = glm::vec3(0.39f, 0.61f, 1.0f);
  scene->fog_depth = fog;
  pages.render(c.position, c.projection * c.view);
  Pixels const px = pixels();
  scene->fog_depth = 1000.0f;

  // Every row whose view meets the water before the fog is half thick shows
  // the sea, not the sky: many of them beyond the high-detail pages.
  int beyond = 0;
  for (int y = 0; y < 48; ++y) {
    float const down = -pitch - std::atan((1.0f - (float(y) + 0.5f) / 24.0f) * std::tan(fov / 2.0f));
    float const distance = down > 0.0f ? height / std::tan(down) : INFINITY;
    if (distance > 0.55f * fog) continue;
    beyond += distance > float(near * 16 + 16);
    std::uint32_t const pixel = px.at(32, y);
    EXPECT_LT(blue_of(pixel), 200) << "row " << y << ", the water " << distance << " cells away";
  }
  EXPECT_GE(beyond, 3);
}
