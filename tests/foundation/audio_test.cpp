#include "foundation/audio.hpp"

#include "support/sdl_log.hpp"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

TEST(Audio_math, OffsetsBecomeABearingAndAnAttenuationInTheListenersFrame) {
  glm::vec3 d{2.5f, 0.5f, 0.5f}; // cell (2, 0, 0) seen from the origin
  std::pair<glm::vec2, glm::vec3> frames[] = {{{1, 0}, {2.5f, 0.5f, 0.5f}}, {{0, 1}, {-0.5f, 0.5f, 2.5f}},
                                              {{-1, 0}, {-2.5f, 0.5f, -0.5f}}, {{0, -1}, {0.5f, 0.5f, -2.5f}}};
  for (auto [heading, want] : frames) EXPECT_EQ(listener_frame(d, heading), want) << heading.x << heading.y;

  // Ahead, right (gain 1/2), behind (1/4), left (1/3); never 360; full gain within a cell.
  std::pair<glm::vec3, Mix_position> positions[] = {
      {{0, 0, -1}, {0, 0}},     {{2, 0, 0}, {90, 127}}, {{0, 0, 4}, {180, 191}},   {{-3, 0, 0}, {270, 170}},
      {{0, 5, 0}, {0, 204}},    {{-1, 0, -1}, {315, 75}}, {{-1e-4f, 0, -1}, {0, 0}}, {{0, 0, 0}, {0, 0}},
      {{0, 0, 0.5f}, {180, 0}}, {{1e6f, 0, 0}, {90, 255}}, {{NAN, 0, 0}, {0, 255}}, {{INFINITY, 0, 0}, {0, 255}}};
  for (auto [at, want] : positions) EXPECT_EQ(mix_position(at), want) << at.x << " " << at.y << " " << at.z;
  // Gains are clamped to 0..1.
  EXPECT_EQ(std::tuple(master_volume(0.5f), master_volume(3.0f), master_volume(-1.0f)), std::tuple(64, 128, 0));
}

// With the dummy driver: a real mixer that plays in real time.

struct Mob; // the world's; here a stand-in with the same first member

namespace {

struct Test_mob {
  glm::vec3 position;
};
Mob const* as_mob(Test_mob const& m) { return reinterpret_cast<Mob const*>(&m); }

int playing() { return Mix_Playing(-1); }

struct Audio_device : ::testing::Test {
  Audio_config config{1.0f, 0.25f};
  std::unique_ptr<Audio> audio;
  std::vector<Sint16> pcm; // a steady level in the device's format, three seconds of it
  Mix_Chunk* long_sound = nullptr;
  Mix_Chunk* blip = nullptr;

  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    audio = std::make_unique<Audio>(config);
    ASSERT_TRUE(audio->mixer.open);
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_TRUE(Mix_QuerySpec(&rate, &format, &channels));
    ASSERT_EQ(std::pair(format, channels), std::pair(Uint16(AUDIO_S16SYS), 2));
    pcm.assign(std::size_t(rate) * 2 * 3, 12000);
    long_sound = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(pcm.data()), Uint32(pcm.size() * 2));
    blip = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(pcm.data()), Uint32(rate / 50 * 4)); // 20 ms
  }
  void TearDown() override {
    audio.reset();
    Mix_FreeChunk(long_sound);
    Mix_FreeChunk(blip);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  }
};

} // namespace

TEST_F(Audio_device, OpensWithTheEffectsVolumeAndThirtyTwoChannelsThatDoubleWhenBusy) {
  EXPECT_EQ(std::pair(Mix_MasterVolume(-1), audio->mixer.gain), std::pair(32, 0.25f));
  EXPECT_TRUE(audio->mixer.set_gain(0.5f));
  EXPECT_FALSE(audio->mixer.set_gain(NAN));
  EXPECT_EQ(Mix_MasterVolume(-1), 64);
  EXPECT_EQ(std::pair(Mix_AllocateChannels(-1), audio->claimed.size()), std::pair(32, 32ul));
  for (int i = 0; i < 40; ++i) audio->play(long_sound, glm::ivec3{i, 0, 0});
  EXPECT_EQ(std::tuple(playing(), Mix_AllocateChannels(-1), audio->claimed.size()), std::tuple(40, 64, 64ul));
  for (int i = 0; i < 30; ++i) audio->play(long_sound);
  EXPECT_EQ(std::pair(playing(), Mix_AllocateChannels(-1)), std::pair(70, 128));
}

TEST_F(Audio_device, ANewSoundAtACellOrMobStopsTheOldButPlainOnesOverlap) {
  audio->play(nullptr), audio->play(long_sound), audio->play(long_sound);
  Test_mob m{{0, 0, 0}};
  for (int i = 0; i < 2; ++i) {
    audio->play(long_sound, glm::ivec3{1, 2, 3});
    audio->play(long_sound, as_mob(m));
  }
  EXPECT_EQ(audio->cell_tracks.size() + audio->mob_tracks.size(), 2u);
  EXPECT_EQ(playing(), 4);
  // The stopped channels went back to the pool; plain sounds claim none.
  audio->play(long_sound);
  EXPECT_EQ(playing(), 5);
  EXPECT_EQ(std::count(audio->claimed.begin(), audio->claimed.end(), true), 2);
  // No sound (an unknown name) still silences the cell and the mob.
  audio->play(nullptr, glm::ivec3{1, 2, 3}), audio->play(nullptr, as_mob(m));
  EXPECT_EQ(playing(), 3);
  EXPECT_TRUE(audio->cell_tracks.empty() && audio->mob_tracks.empty());
}

TEST_F(Audio_device, FinishedSoundsAreDroppedAndForgottenOnesPlayOn) {
  Test_mob m{{0, 0, 0}}, gone{{3, 0, 0}};
  audio->play(blip, glm::ivec3{5, 5, 5});
  audio->play(blip, as_mob(m));
  audio->play(long_sound, glm::ivec3{6, 6, 6});
  audio->play(long_sound, as_mob(gone));
  int channel = audio->mob_tracks.at(as_mob(gone))->channel;
  // The world lets go of a mob before it frees it; its sound plays to its end.
  audio->forget(as_mob(gone)), audio->forget(as_mob(gone));
  gone.position = {NAN, NAN, NAN};
  EXPECT_FALSE(audio->claimed[std::size_t(channel)]);
  for (int i = 0; i < 200 && playing() > 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(playing(), 2);
  audio->update();
  EXPECT_EQ(audio->cell_tracks.size(), 1u);
  EXPECT_TRUE(audio->cell_tracks.count({6, 6, 6}));
  EXPECT_TRUE(audio->mob_tracks.empty());
  EXPECT_EQ(std::count(audio->claimed.begin(), audio->claimed.end(), true), 1);
  audio->play(long_sound); // the forgotten sound's channel stays busy until it is silent
  EXPECT_TRUE(Mix_Playing(channel));
  EXPECT_EQ(playing(), 3);
}

TEST_F(Audio_device, SoundsFollowTheListenerAndTheMobAndComeOutOnTheirSide) {
  Test_mob m{{5, 1, 3}};
  audio->play(long_sound, as_mob(m));
  for (int frame = 0; frame < 3; ++frame) {
    m.position.z = 3.0f - float(frame);
    audio->update();
    EXPECT_EQ(audio->mob_tracks.at(as_mob(m))->position, glm::vec3(5, 1, 3 - frame)) << frame;
  }
  audio->play(nullptr, as_mob(m));
  // With heading (0, 1) a source towards -z comes out on the listener's right.
  audio->listener = {0.5f, 0.5f, 0.5f};
  audio->heading = {0, 1};
  audio->play(long_sound, glm::ivec3{0, 0, -3});
  audio->update();
  EXPECT_EQ(audio->cell_tracks.at({0, 0, -3})->position, glm::vec3(3, 0, 0));
  std::atomic<double> levels[2] = {0.0, 0.0}; // left, right
  Mix_SetPostMix(
      [](void* data, Uint8* stream, int len) {
        auto* sum = static_cast<std::atomic<double>*>(data);
        auto const* s = reinterpret_cast<Sint16 const*>(stream);
        for (int i = 0; i + 1 < len / 2; i += 2) sum[0] = sum[0] + std::abs(s[i]), sum[1] = sum[1] + std::abs(s[i + 1]);
      },
      levels);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Mix_SetPostMix(nullptr, nullptr);
  EXPECT_GT(levels[1].load(), 2 * levels[0].load());
  EXPECT_GT(levels[1].load(), 0.0);
}

TEST(Audio_closed, NoDeviceLogsAndStaysSilent) {
  setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
  {
    Sdl_log_capture log;
    Audio_config config;
    Audio audio(config);
    EXPECT_FALSE(audio.mixer.open);
    EXPECT_EQ(log.lines.size(), 1u);
    Test_mob m{{0, 0, 0}};
    auto* sound = reinterpret_cast<Mix_Chunk*>(&m); // nothing reaches the closed mixer
    audio.play(sound), audio.play(sound, glm::ivec3{1, 1, 1}), audio.play(sound, as_mob(m)), audio.update();
    EXPECT_TRUE(audio.cell_tracks.empty() && audio.mob_tracks.empty());
    EXPECT_TRUE(audio.mixer.set_gain(2.0f));
    EXPECT_FALSE(audio.mixer.set_gain(NAN));
    EXPECT_EQ(audio.mixer.gain, 1.0f);
  }
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}
