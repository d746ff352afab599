#include "content/audio_db.hpp"

#include "pack_fixture.hpp"

#include <set>

namespace {

// A valid WAV of n silent 16-bit mono samples.
std::string wav(int n) {
  auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  std::string data(std::size_t(n) * 2, '\0');
  return "RIFF" + u32(36 + std::uint32_t(data.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(22050) +
         u32(44100) + u16(2) + u16(16) + "data" + u32(std::uint32_t(data.size())) + data;
}

struct Sounds : ::testing::Test {
  Temp_packs t;
  Sdl_log_capture log;

  static void SetUpTestSuite() { open_test_audio(); }
  static void TearDownTestSuite() {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  std::size_t logged(std::string const& text) const {
    std::size_t n = 0;
    for (auto const& l : log.lines) n += l.find(text) != std::string::npos;
    return n;
  }
};

} // namespace

TEST_F(Sounds, EachPathOfASectionIsAVariantPickedAtRandomOrNullWhenItFailedToLoad) {
  t.write("basic/sounds/a.wav", wav(64));
  t.write("basic/sounds/b.wav", wav(64));
  t.write("basic/sounds/bad.wav", "not a sound");
  t.write("basic/sounds.cfg", "[step]\npath = a.wav\npath = b.wav\n[twice]\nlazy = a.wav\npath = a.wav\n[quiet]\n"
                              "[bad]\npath = bad.wav\npath = missing.wav\n");
  Audio_database db(t.packs);
  Audio_id step = db.find("basic.step");
  EXPECT_EQ(step, 1); // the first section loaded
  ASSERT_EQ(db.variants.size(), 6u);
  std::set<Mix_Chunk*> seen;
  for (int i = 0; i < 64; ++i) seen.insert(db.sound(step));
  EXPECT_EQ(seen, (std::set<Mix_Chunk*>{db.variants[0], db.variants[1]}));
  EXPECT_NE(db.variants[0], nullptr);
  EXPECT_NE(db.variants[2], db.variants[3]); // one file, loaded twice
  EXPECT_EQ(db.find("basic.quiet"), 3);
  EXPECT_EQ(db.sound(db.find("basic.quiet")), nullptr); // known, but silent
  EXPECT_EQ(db.sound(Audio_id(0)), nullptr);
  EXPECT_EQ(db.sound(Audio_id(200)), nullptr); // no group at all
  EXPECT_EQ(db.sound(db.find("basic.bad")), nullptr); // files that failed to load
  EXPECT_EQ(log.lines.size(), 3u) << log.joined(); // "Loading" and a warning for each
  EXPECT_EQ(log.from(SDL_LOG_PRIORITY_WARN), 2u);
  EXPECT_EQ(log.from(SDL_LOG_PRIORITY_ERROR), 0u) << "the game goes on without them";
  EXPECT_EQ(logged((t.packs / "basic/sounds/missing.wav").string() + ": "), 1u) << log.joined();

  EXPECT_EQ(db.sound(std::string("basic.missing")), nullptr);
  EXPECT_EQ(logged("'basic.missing' is not a valid sound name"), 1u);
  EXPECT_EQ(db.names.count("basic.missing"), 0u); // nothing added
}

TEST_F(Sounds, UnknownKeysWarnAndKeysBeforeASectionAreReported) {
  t.write("a/sounds/x.wav", wav(64));
  t.write("a/sounds.cfg", "[s]\nvolume = 3\npath = x.wav\n[two]\n");
  t.write("b/sounds/x.wav", wav(64));
  t.write("b/sounds.cfg", "path = x.wav\n[s]\n");
  Stderr_capture err;
  Audio_database db(t.packs);
  EXPECT_EQ(logged("unrecognized key: volume"), 1u);
  EXPECT_TRUE(err.has("expected section\n    1 | path = x.wav\n      | ~~~~^")) << err.get();
  EXPECT_EQ(db.variants.size(), 1u); // the stray path loaded nothing
  EXPECT_NE(db.sound(db.find("a.s")), nullptr);
  // Ids follow the listing order of the packs.
  Audio_id a1 = db.find("a.s"), a2 = db.find("a.two"), b1 = db.find("b.s");
  EXPECT_EQ(a2, a1 + 1);
  EXPECT_TRUE(b1 > a2 || a1 > b1);
}
