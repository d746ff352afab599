#include "render/billboards.hpp"
#include "render/mob_instances.hpp"

#include "support/render.hpp"
#include "world/mob.hpp"
#include "world/wmap.hpp"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <numbers>
#include <optional>
#include <tuple>

namespace {

constexpr float pi = std::numbers::pi_v<float>;

// Mobs in front of a camera at the origin looking toward -z.
struct Mob_scene {
  Mobs mobs;
  Wmap wmap;
  Camera camera = camera_at({0, 0, 0});
  // Type 1: three frames per view; state 0 shows 0, 1, 2, state 1 shows 2, 1.
  // Type 2: no front list; frame number 7 is past both lists.
  std::vector<Mob_model> models = [] {
    std::vector<Mob_model> m(3);
    m[1].front = {10, 11, 12}, m[1].back = {20, 21, 22}, m[1].frames = {0, 1, 2, 2, 1}, m[1].states = {0, 3};
    m[2].back = {20, 21}, m[2].frames = {0, 1, 7}, m[2].states = {0};
    return m;
  }();

  Mob& add(glm::vec3 position, Mob_id type = 1, float yaw = 0.0f, std::int64_t state = 0, std::int64_t frame = 0) {
    auto m = std::make_unique<Mob>();
    m->body.position = position;
    m->body.angles = {0.0f, yaw};
    m->type = type, m->state = state, m->frame = frame;
    Mob& ref = *m;
    mobs.adopt(std::move(m));
    return ref;
  }

  std::vector<Mob_center> list(Mob const* player = nullptr) const {
    return make_mesh_for_mobs(mobs, player, wmap, camera.projection * camera.view, models);
  }
};

} // namespace

TEST(Mob_instances, ViewFrameAndMirroringByFacing) {
  std::int16_t const none = std::int16_t(missing_sprite);
  struct Case {
    char const* what;
    Mob_id type;
    float yaw;
    std::int64_t state, frame;
    std::optional<std::int16_t> layer;
  } const cases[] = {
      {"facing away: back list", 1, 0.0f, 0, 0, 20},
      {"facing away, turned left: back, mirrored", 1, 0.2f, 0, 1, std::int16_t(~21)},
      {"facing the camera, turned right: front", 1, pi + 0.2f, 1, 0, 12},
      {"facing the camera, turned left: front, mirrored", 1, pi - 0.2f, 1, 1, std::int16_t(~11)},
      {"turned fully right: front", 1, -pi / 2, 0, 2, 12},
      {"state past the offsets", 1, 0.0f, 2, 0, std::nullopt},
      {"negative state", 1, 0.0f, -1, 0, std::nullopt},
      {"frame past the sequence", 1, 0.0f, 1, 2, std::nullopt},
      {"negative frame", 1, 0.0f, 1, -1, std::nullopt},
      {"an empty front list", 2, pi, 0, 0, std::nullopt},
      {"a frame number past the list", 2, 0.0f, 0, 2, std::nullopt},
      {"a frame number in the list", 2, 0.0f, 0, 1, 21},
      {"no model: untextured, drawn as the fallback", 7, 0.0f, 3, 9, none},
      {"no model, mirrored", 7, 0.3f, 0, 0, std::int16_t(~missing_sprite)},
  };
  for (auto const& k : cases) {
    Mob_scene s;
    s.add({0, 0, -5}, k.type, k.yaw, k.state, k.frame);
    auto const l = s.list();
    ASSERT_EQ(l.size(), k.layer ? 1u : 0u) << k.what;
    EXPECT_EQ(l.empty() ? std::nullopt : std::optional(l[0].layer), k.layer) << k.what;
  }
}

TEST(Mob_instances, CullingThePlayerAndLightFromTheLoadedPageOfTheMobsCell) {
  Mob_scene s;
  Mob& player = s.add({0, 0, -3});
  s.add({0, 0, 5});           // behind the camera
  s.add({0, 0.4f, -2});       // ahead
  s.add({-0.5f, 0.25f, -0.55f}); // its box reaches the near plane; cell (-1, 0, -1) of page (-1, 0, -1)
  s.add({300, 0, -10});       // far off to the side
  auto const l = s.list(&player);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(std::tuple(l[0].position, l[0].light), std::tuple(glm::vec3(0, 0.4f, -2), 15)); // no page loaded
  EXPECT_EQ(l[1].position, glm::vec3(-0.5f, 0.25f, -0.55f));

  s.wmap.insert({-1, 0, -1}).light.set(cell_index(-1, 0, -1), 0x3a);
  EXPECT_EQ(s.list(&player).at(1).light, 0x3a);
  s.wmap.erase({-1, 0, -1});
  s.wmap.insert({-1, 0, 1}); // the same table slot, another page
  EXPECT_EQ(s.list(&player).at(1).light, 15);
}

TEST(Billboards, AnchorsLightAndLayersInCellOrder) {
  // Billboard types by offset: the default (the middle), 0 (the lower
  // corner), 1 (wraps at coordinate 15); their layers 0x2006.. flipped in x.
  std::vector<Cell_model> models(cell_db().size() + 8);
  Cell_id ids[3];
  for (int k = 0; k < 3; ++k) {
    Cell_type& type = cell_db()[std::array{"rb.default", "rb.corner", "rb.wrap"}[std::size_t(k)]];
    type.opacity = Cell_opacity::billboard;
    type.offset = glm::vec3(k ? k - 1 : 0.5f);
    ids[k] = type.id;
    models.resize(std::max<std::size_t>(models.size(), type.id + 1u));
    models[type.id].texture[0] = Tex_range{std::uint16_t(0x2006 + k), 3};
  }
  Wmap_page page;
  auto const put = [&](glm::ivec3 at, Cell_id id, Light light) {
    page.cells.set(cell_index(at.x, at.y, at.z), id);
    page.light.set(cell_index(at.x, at.y, at.z), light);
  };
  put({15, 0, 15}, ids[0], 0x1f), put({3, 4, 5}, ids[1], 0x20), put({15, 15, 15}, ids[2], 0x00);
  put({0, 0, 1}, cell_db()["rb.solid"].id, 0x0f); // opaque: no instance
  put({0, 0, 0}, ids[0], 0xff);
  using Got = std::tuple<int, int, int, int, int>; // x, y, z, light, layer
  std::vector<Got> got;
  for (auto const& q : make_mesh_for_billboards(page, cell_db(), models))
    got.emplace_back(q.x, q.y, q.z, q.light, std::uint16_t(q.layer));
  EXPECT_EQ(got, (std::vector<Got>{{8, 8, 8, 0xff, 0x2006}, // index order: (0, 0, 0) first
                                   {48, 64, 80, 0x20, 0x2007},
                                   {248, 8, 248, 0x1f, 0x2006},
                                   {0, 0, 0, 0x00, 0x2008}}));
  // A type past the models is drawn untextured.
  EXPECT_EQ(make_mesh_for_billboards(page, cell_db(), {}).at(0).layer, -1);
}
