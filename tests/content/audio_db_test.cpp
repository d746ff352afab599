#include "content/audio_db.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
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

  static void SetUpTestSuite() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudioDevice(44100, MIX_DEFAULT_FORMAT, 2, 2048, nullptr,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE),
              0)
        << Mix_GetError();
  }
  static void TearDownTestSuite() {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void sound_file(std::string const& pack, std::string const& name) { t.write(pack + "/sounds/" + name, wav(64)); }

  std::size_t warnings(std::string const& text) const {
    std::size_t n = 0;
    for (auto const& l : log.lines) n += l.find(text) != std::string::npos;
    return n;
  }
};

} // namespace

TEST_F(Sounds, ASectionWithTwoPathsIsOneSoundWithTwoVariants) {
  sound_file("basic", "a.wav");
  sound_file("basic", "b.wav");
  t.write("basic/sounds.cfg", "[step]\npath = a.wav\npath = b.wav\n");
  Audio_database db(t.packs);
  Audio_id id = db.find("basic.step");
  EXPECT_EQ(id, 1); // the first section loaded
  std::set<Mix_Chunk*> seen;
  for (int i = 0; i < 64; ++i) seen.insert(db.sound(id));
  EXPECT_EQ(seen, (std::set<Mix_Chunk*>{db.variants[0], db.variants[1]}));
  EXPECT_NE(db.variants[0], nullptr);
  EXPECT_EQ(db.sound(std::string("basic.step")) == db.variants[0] ||
                db.sound(std::string("basic.step")) == db.variants[1],
            true);
  EXPECT_EQ(db.sound(Audio_id(0)), nullptr);
}

TEST_F(Sounds, ASectionWithoutFilesIsKnownButSilent) {
  t.write("basic/sounds.cfg", "[quiet]\n[loud]\n");
  Audio_database db(t.packs);
  EXPECT_EQ(db.find("basic.quiet"), 1);
  EXPECT_EQ(db.find("basic.loud"), 2);
  EXPECT_EQ(db.sound(db.find("basic.quiet")), nullptr);
  EXPECT_EQ(db.sound(Audio_id(200)), nullptr); // no group at all
  EXPECT_TRUE(log.lines.size() == 1) << log.joined(); // only "Loading"
}

TEST_F(Sounds, AnUnknownNameWarnsAndGivesNoSound) {
  Audio_database db(t.packs);
  EXPECT_EQ(db.find("basic.missing"), 0);
  EXPECT_EQ(warnings("'basic.missing' is not a valid sound name"), 1u);
  EXPECT_EQ(db.sound(std::string("basic.other")), nullptr);
  EXPECT_EQ(db.names.count("basic.missing"), 0u); // nothing added
}

TEST_F(Sounds, UnknownKeysWarnAndKeysBeforeASectionAreReported) {
  sound_file("a", "x.wav");
  sound_file("b", "x.wav");
  t.write("a/sounds.cfg", "[s]\nvolume = 3\npath = x.wav\n");
  t.write("b/sounds.cfg", "path = x.wav\n[s]\n");
  Stderr_capture err;
  Audio_database db(t.packs);
  EXPECT_EQ(warnings("unrecognized key: volume"), 1u);
  EXPECT_NE(err.get().find("expected section\n    1 | path = x.wav\n      | ~~~~^"), std::string::npos)
      << err.get();
  EXPECT_EQ(db.variants.size(), 1u); // the stray path loaded nothing
  EXPECT_NE(db.sound(db.find("a.s")), nullptr);
}

TEST_F(Sounds, IdsOfALaterPackContinueAfterTheEarlierOnes) {
  t.write("a/sounds.cfg", "[one]\n[two]\n");
  t.write("b/sounds.cfg", "[one]\n");
  Audio_database db(t.packs);
  Audio_id a1 = db.find("a.one"), a2 = db.find("a.two"), b1 = db.find("b.one");
  EXPECT_NE(b1, 0);
  EXPECT_TRUE(b1 > a2 || a1 > b1) << "ids follow the listing order of the packs";
  EXPECT_EQ(a2, a1 + 1);
}

TEST_F(Sounds, LazyAndPathOfOneFileAreTwoVariants) {
  sound_file("basic", "a.wav");
  t.write("basic/sounds.cfg", "[s]\nlazy = a.wav\npath = a.wav\n");
  Audio_database db(t.packs);
  ASSERT_EQ(db.variants.size(), 2u);
  EXPECT_NE(db.variants[0], db.variants[1]);
}

TEST_F(Sounds, AFileThatFailsToLoadIsLoggedAndPlaysNothing) {
  t.write("basic/sounds/bad.wav", "not a sound");
  t.write("basic/sounds.cfg", "[s]\npath = bad.wav\npath = missing.wav\n");
  Audio_database db(t.packs);
  ASSERT_EQ(db.variants.size(), 2u);
  EXPECT_EQ(db.sound(db.find("basic.s")), nullptr);
  EXPECT_EQ(log.lines.size(), 3u) << log.joined(); // "Loading" and the two errors
}

