#include "foundation/audio.hpp"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr int first_channels = 32;

// The world's mobs start with their position.
glm::vec3 position_of(Mob const* mob) { return *reinterpret_cast<glm::vec3 const*>(mob); }

} // namespace

int master_volume(float gain) { return int(std::lround(std::clamp(gain, 0.0f, 1.0f) * MIX_MAX_VOLUME)); }

bool Mixer::set_gain(float g) {
  if (std::isnan(g)) return false;
  gain = std::clamp(g, 0.0f, 1.0f);
  if (open) Mix_MasterVolume(master_volume(gain));
  return true;
}

glm::vec3 listener_frame(glm::vec3 d, glm::vec2 heading) {
  float c = heading.x, s = heading.y;
  return {c * d.x - s * d.z, d.y, s * d.x + c * d.z};
}

Mix_position mix_position(glm::vec3 p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return {0, 255};
  // + 0.0f turns -0 into +0, so a source at the listener lies ahead.
  double degrees = std::atan2(double(p.x), double(-p.z) + 0.0) * 180.0 / std::numbers::pi;
  long angle = ((std::lround(degrees) % 360) + 360) % 360;
  double gain = 1.0 / std::max(double(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z)), 1.0);
  long distance = std::clamp(255L - std::lround(255.0 * gain), 0L, 255L);
  return {std::int16_t(angle), std::uint8_t(distance)};
}

std::size_t Audio::Cell_hash::operator()(glm::ivec3 const& v) const {
  std::int32_t xyz[3] = {v.x, v.y, v.z};
  unsigned char bytes[sizeof xyz];
  std::memcpy(bytes, xyz, sizeof xyz);
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char b : bytes) {
    h ^= b;
    h *= 1099511628211ull;
  }
  return std::size_t(h);
}

Audio_source::~Audio_source() { owner->release(channel, true); }

Audio::Audio(Audio_config const& config_) : config(config_) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", SDL_GetError());
    return;
  }
  sdl_audio = true;
  // No decoder library is asked for: the shipped sounds are WAV, which the
  // mixer reads itself. A pack's sound in another format loads its decoder
  // when it is read, and one that can't be decoded is warned about there;
  // Mix_Quit unloads what was loaded.
  mix_init = true;
  if (Mix_OpenAudioDevice(44100, MIX_DEFAULT_FORMAT, 2, 2048, nullptr,
                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE) != 0) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", Mix_GetError());
    return;
  }
  mixer.open = true;
  claimed.assign(std::size_t(Mix_AllocateChannels(first_channels)), false);
  mixer.set_gain(config.sfx_volume);
}

Audio::~Audio() {
  mob_tracks.clear();
  cell_tracks.clear();
  if (mixer.open) {
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
  }
  if (mix_init) Mix_Quit();
  if (sdl_audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int Audio::free_channel() {
  if (!mixer.open) return -1;
  for (std::size_t i = 0; i < claimed.size(); ++i)
    if (!claimed[i] && !Mix_Playing(int(i))) return int(i);
  int old = int(claimed.size());
  int now = Mix_AllocateChannels(std::max(old * 2, first_channels));
  if (now <= old) return -1;
  claimed.resize(std::size_t(now), false);
  return old;
}

void Audio::release(int channel, bool stop) {
  if (channel < 0 || std::size_t(channel) >= claimed.size()) return;
  if (stop) {
    Mix_HaltChannel(channel);
    Mix_UnregisterAllEffects(channel);
  }
  claimed[std::size_t(channel)] = false;
}

void Audio::play(Mix_Chunk* sound) {
  if (!sound) return;
  int channel = free_channel();
  if (channel < 0) return;
  // A channel last used by a positional sound may still carry its placement.
  Mix_UnregisterAllEffects(channel);
  Mix_PlayChannel(channel, sound, 0);
}

std::unique_ptr<Audio_source> Audio::start(Mix_Chunk* sound) {
  if (!sound) return nullptr;
  int channel = free_channel();
  if (channel < 0) return nullptr;
  Mix_UnregisterAllEffects(channel);
  if (Mix_PlayChannel(channel, sound, 0) != channel) return nullptr;
  claimed[std::size_t(channel)] = true;
  return std::make_unique<Audio_source>(this, channel);
}

void Audio::play(Mix_Chunk* sound, glm::ivec3 const& cell) {
  cell_tracks.erase(cell);
  if (auto source = start(sound)) cell_tracks.emplace(cell, std::move(source));
}

void Audio::play(Mix_Chunk* sound, Mob const* mob) {
  mob_tracks.erase(mob);
  if (auto source = start(sound)) mob_tracks.emplace(mob, std::move(source));
}

void Audio::forget(Mob const* mob) {
  auto it = mob_tracks.find(mob);
  if (it == mob_tracks.end()) return;
  // Unclaimed but not halted: the channel finishes the sound where it was
  // last placed, and is free again once it is silent.
  release(it->second->channel, false);
  it->second->channel = -1;
  mob_tracks.erase(it);
}

void Audio::update() {
  auto place = [this](Audio_source& source, glm::vec3 d) {
    source.position = listener_frame(d, heading);
    Mix_position m = mix_position(source.position);
    Mix_SetPosition(source.channel, m.angle, m.distance);
  };
  for (auto it = cell_tracks.begin(); it != cell_tracks.end();) {
    if (!Mix_Playing(it->second->channel)) {
      it = cell_tracks.erase(it);
      continue;
    }
    place(*it->second, glm::vec3(it->first) + 0.5f - listener);
    ++it;
  }
  for (auto it = mob_tracks.begin(); it != mob_tracks.end();) {
    if (!Mix_Playing(it->second->channel)) {
      it = mob_tracks.erase(it);
      continue;
    }
    place(*it->second, position_of(it->first) - listener);
    ++it;
  }
}
