#pragma once
// Sound output: plain sounds, sounds at a cell and sounds that follow a mob,
// on the mixer's channels. Sounds are loaded chunks (null: no sound); ids
// and full names go through the sound table.
#include "content/audio_db.hpp"
#include "foundation/config.hpp"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct Mix_Chunk;
struct Mob; // the world's; its first member is its position (x, y, z in cells)

// The output device and its master gain.
struct Mixer {
  bool open = false;
  float gain = 1.0f;

  // Clamps to 0..1 and applies it; NaN is refused (false, nothing changes).
  bool set_gain(float g);
};

// 0..128, the mixer's master volume for a gain.
int master_volume(float gain);

// The offset d from the listener, turned into the listener's own frame by
// the heading (cosine, sine of the horizontal facing angle).
glm::vec3 listener_frame(glm::vec3 d, glm::vec2 heading);

// What the stereo mixer takes for a position in the listener's frame
// (facing -z, +x to the right): the bearing in degrees 0..359 and the
// attenuation 0 (near) .. 255 (far) for a gain of 1 / max(|p|, 1).
struct Mix_position {
  std::int16_t angle = 0;
  std::uint8_t distance = 0;
  bool operator==(Mix_position const&) const = default;
};
Mix_position mix_position(glm::vec3 p);

struct Audio;

// One claimed channel playing one positional sound; destroying it stops the
// sound and frees the channel.
struct Audio_source {
  Audio* owner;
  int channel;
  glm::vec3 position{}; // last position handed to the mixer, listener's frame

  Audio_source(Audio* owner_, int channel_) : owner(owner_), channel(channel_) {}
  ~Audio_source();
  Audio_source(Audio_source const&) = delete;
  Audio_source& operator=(Audio_source const&) = delete;
};

struct Audio {
  // 64-bit FNV-1a over the vector's 12 bytes.
  struct Cell_hash {
    std::size_t operator()(glm::ivec3 const& v) const;
  };

  Audio_config const& config;
  Mixer mixer;
  glm::vec3 listener{0.0f};
  glm::vec2 heading{1.0f, 0.0f};
  std::unordered_map<Mob const*, std::unique_ptr<Audio_source>> mob_tracks;
  std::unordered_map<glm::ivec3, std::unique_ptr<Audio_source>, Cell_hash> cell_tracks;
  std::vector<bool> claimed; // per mixer channel: held by a positional sound

  // Opens the default playback device; a failure is logged and the game
  // runs on silent. Applies the configured effects volume as the gain.
  explicit Audio(Audio_config const& config_);
  ~Audio();
  Audio(Audio const&) = delete;
  Audio& operator=(Audio const&) = delete;

  // Once, without a position; nothing is kept.
  void play(Mix_Chunk* sound);
  // At the centre of a cell, stopping the cell's earlier sound. No sound
  // still stops it.
  void play(Mix_Chunk* sound, glm::ivec3 const& cell);
  // Following a mob, stopping the mob's earlier sound. The mob must stay at
  // its address while the sound plays, or be forgotten first.
  void play(Mix_Chunk* sound, Mob const* mob);
  // By id or full name: one variant of the sound table's, at random; id 0
  // or an unknown name is no sound. Defined here so that only callers that
  // use them need the sound table.
  void play(Audio_id id) { play(audio_db().sound(id)); }
  void play(std::string const& name) { play(audio_db().sound(name)); }
  void play(Audio_id id, glm::ivec3 const& cell) { play(audio_db().sound(id), cell); }
  void play(std::string const& name, glm::ivec3 const& cell) { play(audio_db().sound(name), cell); }
  void play(Audio_id id, Mob const* mob) { play(audio_db().sound(id), mob); }
  void play(std::string const& name, Mob const* mob) { play(audio_db().sound(name), mob); }
  // Lets go of the mob before it is erased or unloaded: its sound plays to
  // its end where it last was.
  void forget(Mob const* mob);

  // Once a frame, after listener and heading are set: drops the finished
  // positional sounds and places the others.
  void update();

  // A channel no sound holds, allocating more when all are busy; -1 when
  // the mixer is closed.
  int free_channel();
  void release(int channel, bool stop);

private:
  bool sdl_audio = false;
  bool mix_init = false;
  std::unique_ptr<Audio_source> start(Mix_Chunk* sound);
};
