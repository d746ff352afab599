#include "render/billboards.hpp"
#include "render/mob_instances.hpp"

#include "support/render.hpp"
#include "world/mob.hpp"
#include "world/wmap.hpp"

#include <gtest/gtest.h>

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
  std::vector<Mob_model> models;

  Mob_scene() {
    // Type 1: three frames per view; state 0 shows 0, 1, 2, state 1 shows 2, 1.
    models.resize(2);
    models[1].front = {10, 11, 12};
    models[1].back = {20, 21, 22};
    models[1].frames = {0, 1, 2, 2, 1};
    models[1].states = {0, 3};
  }

  Mob& add(glm::vec3 position, Mob_id type = 1, float yaw = 0.0f, std::int64_t state = 0, std::int64_t frame = 0) {
    auto m = std::make_unique<Mob>();
    m->body.position = position;
    m->body.angles = {0.0f, yaw};
    m->type = type;
    m->state = state;
    m->frame = frame;
    Mob& ref = *m;
    mobs.adopt(std::move(m));
    return ref;
  }

  std::vector<Mob_center> list(Mob const* player = nullptr) const {
    return make_mesh_for_mobs(mobs, player, wmap, camera.projection * camera.view, models);
  }

  // The one instance of a single mob, if it is drawn.
  static std::optional<Mob_center> only(glm::vec3 position, Mob_id type, float yaw, std::int64_t state,
                                        std::int64_t frame) {
    Mob_scene s;
    s.add(position, type, yaw, state, frame);
    auto const l = s.list();
    if (l.empty()) return std::nullopt;
    EXPECT_EQ(l.size(), 1u);
    return l[0];
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
      {"no model: untextured, drawn as the fallback", 7, 0.0f, 3, 9, none},
      {"no model, mirrored", 7, 0.3f, 0, 0, std::int16_t(~missing_sprite)},
  };
  for (auto const& k : cases) {
    auto const got = Mob_scene::only({0, 0, -5}, k.type, k.yaw, k.state, k.frame);
    ASSERT_EQ(got.has_value(), k.layer.has_value()) << k.what;
    if (got) {
      EXPECT_EQ(got->layer, *k.layer) << k.what;
    }
  }
}

TEST(Mob_instances, BadListsAndFrameNumbersSkipTheMob) {
  Mob_scene s;
  s.models[1].front = {};          // an empty front list
  s.models[1].frames = {0, 1, 7};  // frame number 7 is past both lists
  s.add({0, 0, -5}, 1, pi, 0, 0);  // front: empty list
  s.add({1, 0, -5}, 1, 0.0f, 0, 2); // back: frame number 7
  s.add({2, 0, -5}, 1, 0.0f, 0, 1); // back, frame number 1
  auto const l = s.list();
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].layer, 21);
  EXPECT_EQ(l[0].position, glm::vec3(2, 0, -5));
}

TEST(Mob_instances, CullingThePlayerAndUnloadedLight) {
  Mob_scene s;
  Mob& player = s.add({0, 0, -3});
  s.add({0, 0, 5});           // behind the camera
  s.add({0, 0.4f, -2});       // ahead
  s.add({0, 0, -0.55f});      // its box reaches the near plane
  s.add({300, 0, -10});       // far off to the side
  auto const l = s.list(&player);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0].position, glm::vec3(0, 0.4f, -2));
  EXPECT_EQ(l[1].position, glm::vec3(0, 0, -0.55f));
  for (auto const& m : l) EXPECT_EQ(m.light, 15); // no page loaded
  EXPECT_EQ(s.list(&player).size(), 2u);
  EXPECT_TRUE(Mob_scene().list().empty());
}

TEST(Mob_instances, LightComesFromTheLoadedPageOfTheMobsCell) {
  Mob_scene s;
  s.add({-0.5f, 0.25f, -5.5f}); // cell (-1, 0, -6) of page (-1, 0, -1)
  Wmap_page& page = s.wmap.insert({-1, 0, -1});
  page.light.set(cell_index(-1, 0, -6), 0x3a);
  auto l = s.list();
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].light, 0x3a);
  s.wmap.erase({-1, 0, -1});
  s.wmap.insert({-1, 0, 1}); // the same table slot, another page
  l = s.list();
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].light, 15);
}

TEST(Billboards, AnchorsLightAndLayersInCellOrder) {
  struct Type {
    char const* name;
    glm::vec3 offset;
  } const types[] = {{"rb.default", glm::vec3(0.5f)}, {"rb.corner", glm::vec3(0.0f)}, {"rb.wrap", glm::vec3(1.0f)}};
  std::vector<Cell_model> models(cell_db().size() + 8);
  std::vector<Cell_id> ids;
  for (auto const& t : types) {
    Cell_type& type = cell_db()[t.name];
    type.opacity = Cell_opacity::billboard;
    type.offset = t.offset;
    ids.push_back(type.id);
    if (type.id >= models.size()) models.resize(type.id + 1u);
    models[type.id].texture[0] = Tex_range{std::uint16_t(0x2000 | (5 + ids.size())), 3};
  }
  Cell_id const solid = cell_db()["rb.solid"].id; // opaque: no instance

  Wmap_page page;
  EXPECT_TRUE(make_mesh_for_billboards(page, cell_db(), models).empty());
  struct Cell {
    glm::ivec3 at;
    Cell_id id;
    Light light;
  } const cells[] = {{{15, 0, 15}, ids[0], 0x1f}, {{3, 4, 5}, ids[1], 0x20}, {{15, 15, 15}, ids[2], 0x00},
                     {{0, 0, 1}, solid, 0x0f},    {{0, 0, 0}, ids[0], 0xff}};
  for (auto const& c : cells) {
    int const i = cell_index(c.at.x, c.at.y, c.at.z);
    page.cells.set(i, c.id);
    page.light.set(i, c.light);
  }
  auto const list = make_mesh_for_billboards(page, cell_db(), models);
  struct Expected {
    std::uint8_t x, y, z, light;
    std::uint16_t layer;
  } const expected[] = {
      {8, 8, 8, 0xff, 0x2006},       // index order: (0, 0, 0) first
      {48, 64, 80, 0x20, 0x2007},    // offset 0: the lower corner
      {248, 8, 248, 0x1f, 0x2006},   // the default offset: the middle
      {0, 0, 0, 0x00, 0x2008},       // offset 1 at coordinate 15 wraps
  };
  ASSERT_EQ(list.size(), std::size(expected));
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(std::tuple(list[i].x, list[i].y, list[i].z, list[i].light), std::tuple(expected[i].x, expected[i].y,
                                                                                     expected[i].z, expected[i].light))
        << i;
    EXPECT_EQ(std::uint16_t(list[i].layer), expected[i].layer) << i;
  }
  // A type past the models is drawn untextured.
  page.cells.set(0, ids[0]);
  auto const bare = make_mesh_for_billboards(page, cell_db(), {});
  ASSERT_FALSE(bare.empty());
  EXPECT_EQ(bare[0].layer, -1);
}
