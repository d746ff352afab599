#include "foundation/audio.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

// Pure calculations: no device needed.

TEST(Audio_math, OffsetsTurnIntoTheListenersFrame) {
  glm::vec3 d{2.5f, 0.5f, 0.5f}; // cell (2, 0, 0) seen from the origin
  EXPECT_EQ(listener_frame(d, {1, 0}), glm::vec3(2.5f, 0.5f, 0.5f));
  EXPECT_EQ(listener_frame(d, {0, 1}), glm::vec3(-0.5f, 0.5f, 2.5f));
  EXPECT_EQ(listener_frame(d, {-1, 0}), glm::vec3(-2.5f, 0.5f, -0.5f));
  EXPECT_EQ(listener_frame(d, {0, -1}), glm::vec3(0.5f, 0.5f, -2.5f));
  float h = std::sqrt(0.5f);
  glm::vec3 p = listener_frame({1, 0, 1}, {h, h});
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.z, 2 * h, 1e-6f);
}

TEST(Audio_math, PositionsBecomeABearingAndAnAttenuation) {
  EXPECT_EQ(mix_position({0, 0, -1}), (Mix_position{0, 0}));     // ahead, near
  EXPECT_EQ(mix_position({2, 0, 0}), (Mix_position{90, 127}));   // right: gain 1/2
  EXPECT_EQ(mix_position({0, 0, 4}), (Mix_position{180, 191}));  // behind: gain 1/4
  EXPECT_EQ(mix_position({-3, 0, 0}), (Mix_position{270, 170})); // left: gain 1/3
  EXPECT_EQ(mix_position({0, 5, 0}).distance, 204);               // height counts
  EXPECT_EQ(mix_position({-1, 0, -1}).angle, 315);
  EXPECT_EQ(mix_position({-1e-4f, 0, -1}).angle, 0); // never 360
  EXPECT_EQ(mix_position({0, 0, 0}), (Mix_position{0, 0}));
  EXPECT_EQ(mix_position({0, 0, 0.5f}), (Mix_position{180, 0})); // within a cell: full gain
  EXPECT_EQ(mix_position({1e6f, 0, 0}).distance, 255);
  EXPECT_EQ(mix_position({NAN, 0, 0}), (Mix_position{0, 255}));
  EXPECT_EQ(mix_position({INFINITY, 0, 0}), (Mix_position{0, 255}));
}

TEST(Audio_math, GainIsClampedNanRefusedAndCellsHashWithFnv1a) {
  EXPECT_EQ(master_volume(0.5f), 64);
  EXPECT_EQ(master_volume(3.0f), 128);
  EXPECT_EQ(master_volume(-1.0f), 0);
  Mixer closed;
  EXPECT_TRUE(closed.set_gain(2.0f));
  EXPECT_EQ(closed.gain, 1.0f);
  EXPECT_FALSE(closed.set_gain(NAN));
  EXPECT_EQ(closed.gain, 1.0f);
  std::uint64_t h = 14695981039346656037ull; // FNV-1a of twelve zero bytes
  for (int i = 0; i < 12; ++i) h *= 1099511628211ull;
  EXPECT_EQ(Audio::Cell_hash{}({0, 0, 0}), std::size_t(h));
}

// With the dummy driver: a real mixer that plays in real time.

struct Mob; // the world's; here a stand-in with the same first member

namespace {

struct Test_mob {
  glm::vec3 position;
  int other = 7;
};

Mob const* as_mob(Test_mob const& m) { return reinterpret_cast<Mob const*>(&m); }

std::vector<std::string> logged;
void capture(void*, int, SDL_LogPriority, char const* message) { logged.emplace_back(message); }

// A mono 16-bit WAV of a steady tone, built in memory (little-endian host).
Mix_Chunk* tone(int ms) {
  std::uint32_t rate = 22050, bytes = rate * std::uint32_t(ms) / 1000 * 2;
  std::vector<std::uint8_t> wav(44 + bytes);
  auto put = [&](std::size_t at, std::uint32_t v, std::size_t n) { std::memcpy(&wav[at], &v, n); };
  std::memcpy(&wav[0], "RIFF    WAVEfmt ", 16);
  std::memcpy(&wav[36], "data", 4);
  put(4, 36 + bytes, 4), put(16, 16, 4), put(20, 1, 2), put(22, 1, 2), put(24, rate, 4);
  put(28, rate * 2, 4), put(32, 2, 2), put(34, 16, 2), put(40, bytes, 4);
  for (std::uint32_t i = 0; i < bytes / 2; ++i)
    put(44 + i * 2, std::uint16_t(std::int16_t(12000 * std::sin(i * 2 * std::numbers::pi * 440 / rate))), 2);
  return Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), int(wav.size())), 1);
}

int playing() { return Mix_Playing(-1); }

class Audio_device : public ::testing::Test {
protected:
  Audio_config config;
  std::unique_ptr<Audio> audio;
  Mix_Chunk* long_sound = nullptr;

  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    config.sfx_volume = 0.25f;
    audio = std::make_unique<Audio>(config);
    ASSERT_TRUE(audio->mixer.open);
    long_sound = tone(3000);
    ASSERT_TRUE(long_sound) << Mix_GetError();
  }
  void TearDown() override {
    audio.reset();
    Mix_FreeChunk(long_sound);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  }
};

} // namespace

TEST_F(Audio_device, OpensWithTheEffectsVolumeAndThirtyTwoChannels) {
  EXPECT_EQ(Mix_MasterVolume(-1), 32);
  EXPECT_EQ(audio->mixer.gain, 0.25f);
  EXPECT_EQ(Mix_AllocateChannels(-1), 32);
  EXPECT_EQ(audio->claimed.size(), 32u);
  int channels = 0;
  ASSERT_TRUE(Mix_QuerySpec(nullptr, nullptr, &channels));
  EXPECT_EQ(channels, 2);
  EXPECT_TRUE(audio->mixer.set_gain(0.5f));
  EXPECT_EQ(Mix_MasterVolume(-1), 64);
  EXPECT_FALSE(audio->mixer.set_gain(NAN));
  EXPECT_EQ(Mix_MasterVolume(-1), 64);
}

TEST_F(Audio_device, ANewSoundAtACellOrMobStopsTheOldButPlainOnesOverlap) {
  audio->play(nullptr);
  audio->play(long_sound);
  audio->play(long_sound);
  EXPECT_EQ(playing(), 2);
  Test_mob m{{0, 0, 0}};
  for (int i = 0; i < 2; ++i) {
    audio->play(long_sound, glm::ivec3{1, 2, 3});
    audio->play(long_sound, as_mob(m));
  }
  EXPECT_EQ(audio->cell_tracks.size() + audio->mob_tracks.size(), 2u);
  EXPECT_EQ(playing(), 4);
  // The stopped channels went back to the pool, and plain sounds take none
  // of the claimed ones.
  EXPECT_EQ(std::count(audio->claimed.begin(), audio->claimed.end(), true), 2);
  audio->play(long_sound);
  EXPECT_EQ(playing(), 5);
  // No sound (an unknown name) still silences the cell and the mob.
  audio->play(nullptr, glm::ivec3{1, 2, 3});
  audio->play(nullptr, as_mob(m));
  EXPECT_EQ(playing(), 3);
  EXPECT_TRUE(audio->cell_tracks.empty() && audio->mob_tracks.empty());
}

TEST_F(Audio_device, SoundsArePlacedAroundTheListenerEveryFrame) {
  audio->play(long_sound, glm::ivec3{2, 0, 0});
  audio->update();
  auto const& at_cell = audio->cell_tracks.at({2, 0, 0})->position;
  EXPECT_EQ(at_cell, glm::vec3(2.5f, 0.5f, 0.5f));
  audio->heading = {0, 1};
  audio->update();
  EXPECT_EQ(at_cell, glm::vec3(-0.5f, 0.5f, 2.5f));
  audio->listener = {2, 0, 3};
  audio->heading = {1, 0};
  audio->update();
  EXPECT_EQ(at_cell, glm::vec3(0.5f, 0.5f, -2.5f));

  // A mob's sound is placed from where the mob is in that frame.
  Test_mob m{{5, 1, 3}};
  audio->play(long_sound, as_mob(m));
  for (int frame = 0; frame < 4; ++frame) {
    m.position.z = 3.0f - float(frame);
    audio->update();
    EXPECT_EQ(audio->mob_tracks.at(as_mob(m))->position, glm::vec3(3, 1, -float(frame))) << frame;
  }
}

TEST_F(Audio_device, FinishedSoundsAreDroppedAndForgottenOnesPlayOn) {
  Mix_Chunk* blip = tone(20);
  ASSERT_TRUE(blip);
  Test_mob m{{0, 0, 0}}, gone{{3, 0, 0}};
  audio->play(blip, glm::ivec3{5, 5, 5});
  audio->play(blip, as_mob(m));
  audio->play(long_sound, glm::ivec3{6, 6, 6});
  audio->play(long_sound, as_mob(gone));
  int channel = audio->mob_tracks.at(as_mob(gone))->channel;
  // The world lets go of a mob before it frees it; its sound plays to its end.
  audio->forget(as_mob(gone));
  audio->forget(as_mob(gone));
  gone.position = {NAN, NAN, NAN};
  EXPECT_FALSE(audio->claimed[std::size_t(channel)]);
  for (int i = 0; i < 200 && playing() > 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(playing(), 2);
  audio->update();
  EXPECT_EQ(audio->cell_tracks.size(), 1u);
  EXPECT_TRUE(audio->cell_tracks.count({6, 6, 6}));
  EXPECT_TRUE(audio->mob_tracks.empty());
  EXPECT_EQ(std::count(audio->claimed.begin(), audio->claimed.end(), true), 1);
  // The forgotten sound's channel stays busy until it is silent.
  audio->play(long_sound);
  EXPECT_TRUE(Mix_Playing(channel));
  EXPECT_EQ(playing(), 3);
  audio.reset();
  Mix_FreeChunk(blip);
}

TEST_F(Audio_device, ChannelsDoubleWhenAllAreBusy) {
  for (int i = 0; i < 40; ++i) audio->play(long_sound, glm::ivec3{i, 0, 0});
  EXPECT_EQ(playing(), 40);
  EXPECT_EQ(Mix_AllocateChannels(-1), 64);
  EXPECT_EQ(audio->claimed.size(), 64u);
  for (int i = 0; i < 30; ++i) audio->play(long_sound);
  EXPECT_EQ(playing(), 70);
  EXPECT_EQ(Mix_AllocateChannels(-1), 128);
}

TEST_F(Audio_device, ASoundOnTheRightIsLouderOnTheRight) {
  Uint16 format = 0;
  ASSERT_TRUE(Mix_QuerySpec(nullptr, &format, nullptr));
  ASSERT_EQ(format, AUDIO_S16SYS);
  std::atomic<double> levels[2] = {0.0, 0.0}; // left, right
  auto measure = [](void* data, Uint8* stream, int len) {
    auto* sum = static_cast<std::atomic<double>*>(data);
    auto const* s = reinterpret_cast<Sint16 const*>(stream);
    for (int i = 0; i + 1 < len / 2; i += 2) sum[0] = sum[0] + std::abs(s[i]), sum[1] = sum[1] + std::abs(s[i + 1]);
  };
  // With heading (0, 1) a source towards -z comes out on the listener's right.
  audio->listener = {0.5f, 0.5f, 0.5f};
  audio->heading = {0, 1};
  audio->play(long_sound, glm::ivec3{0, 0, -3});
  audio->update();
  EXPECT_EQ(mix_position(audio->cell_tracks.at({0, 0, -3})->position).angle, 90);
  Mix_SetPostMix(measure, levels);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Mix_SetPostMix(nullptr, nullptr);
  EXPECT_GT(levels[1].load(), 2 * levels[0].load());
  EXPECT_GT(levels[1].load(), 0.0);
}

TEST(Audio_closed, NoDeviceLogsAndStaysSilent) {
  setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
  logged.clear();
  SDL_LogSetOutputFunction(capture, nullptr);
  {
    Audio_config config;
    Audio audio(config);
    EXPECT_FALSE(audio.mixer.open);
    EXPECT_EQ(logged.size(), 1u);
    // Nothing reaches the closed mixer, so any pointer will do.
    Test_mob m{{0, 0, 0}};
    auto* sound = reinterpret_cast<Mix_Chunk*>(&m);
    audio.play(sound);
    audio.play(sound, glm::ivec3{1, 1, 1});
    audio.play(sound, as_mob(m));
    EXPECT_TRUE(audio.cell_tracks.empty() && audio.mob_tracks.empty());
    audio.update();
    EXPECT_TRUE(audio.mixer.set_gain(0.5f));
  }
  SDL_LogSetOutputFunction(nullptr, nullptr);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}
