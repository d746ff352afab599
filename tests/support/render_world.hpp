#pragma once
// A GL suite with a scene over a small flat map and a texture array of plain
// colours from a pack written by the test, for drawing through the shipped
// shaders and reading the pixels back.
#include "content/model_db.hpp"
#include "support/gl.hpp"
#include "support/image.hpp"
#include "support/render.hpp"
#include "support/terrain.hpp"
#include "world/scene.hpp"

#include <array>
#include <fstream>
#include <memory>
#include <optional>

namespace paint {

constexpr std::uint32_t red = 0xff0000ff, blue = 0x0000ffff, yellow = 0xffff00ff, white = 0xffffffff,
                        magenta = 0xff00ffff, black = 0x000000ff, clear = 0x00000000;

} // namespace paint

class Render_world : public Gl_test {
protected:
  static inline std::optional<terrain::World_dir> files;
  static inline std::unique_ptr<Model_database> models;
  static inline std::unique_ptr<Config> config;
  static inline std::unique_ptr<Scene> scene;

  // Pack "rt": cell models red, split (quadrants red, blue over yellow,
  // white) and flower (a billboard, its left half transparent); mob model
  // walker (left half red, right half blue). The fallback image is magenta;
  // the light texture is grey by the brighter of sunlight and spotlight.
  static void SetUpTestSuite() {
    Gl_test::SetUpTestSuite();
    files.emplace();
    fs::path const root = files->dir, pack = root / "packs/rt";
    using namespace paint;
    write_png(pack / "textures/red.png", 16, 16, red);
    write_png(pack / "textures/split.png", 16, 16, [](int x, int y) {
      return y < 8 ? (x < 8 ? red : blue) : (x < 8 ? yellow : white);
    });
    write_png(pack / "textures/flower.png", 16, 16, [](int x, int) { return x < 8 ? clear : yellow; });
    write_png(pack / "textures/walker.png", 16, 16, [](int x, int) { return x < 8 ? red : blue; });
    write_png(root / "bad_tex.png", 16, 16, magenta);
    write_png(root / "light.png", 16, 16, [](int x, int y) {
      std::uint32_t const g = std::uint32_t(std::max(x, y) * 17);
      return g << 24 | g << 16 | g << 8 | 0xff;
    });
    std::ofstream(pack / "cell_models.cfg")
        << "[red]\ntexture = red.png\n[split]\ntexture = split.png\n[flower]\ntexture = flower.png\n";
    std::ofstream(pack / "mob_models.cfg") << "[walker]\ntexture.f = walker.png\ntexture.b = walker.png\n";
    cell_db()["rt.flower"].opacity = Cell_opacity::billboard;
    mob_db()["rt.walker"];
    models = std::make_unique<Model_database>(root / "packs", root / "bad_tex.png", root / "light.png",
                                              []() -> Audio_database const& { std::abort(); });
    config = std::make_unique<Config>(Config::Defaults{});
    scene = std::make_unique<Scene>(*config, root / "world", terrain::flat_map({}));
  }
  static void TearDownTestSuite() {
    scene.reset();
    config.reset();
    models.reset();
    files.reset();
    Gl_test::TearDownTestSuite();
  }

  static Tex_id layer_of(char const* cell) { return models->cell(cell_db()[cell].id).texture[0].first; }

  // A clean frame in the test window, sky blue, nothing fogged nearby, and
  // state that a renderer relying on what others left would trip over.
  void SetUp() override {
    Gl_test::SetUp();
    glCullFace(GL_FRONT);
    glFrontFace(GL_CW);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glActiveTexture(GL_TEXTURE3);
    glViewport(0, 0, 64, 48);
    glClearColor(0.39f, 0.61f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene->fog_depth = 1000.0f;
  }

  static Pixels pixels() { return Pixels::read(64, 48); }
};
