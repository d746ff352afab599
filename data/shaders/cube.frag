#version 330 compatibility
// Page surfaces: the layer's texel, lit through the light texture, shaded by
// the occlusion tile of the face's closed neighbours, fogged with distance.

uniform vec3 fog_color;
uniform float fog_depth;
uniform sampler2DArray texture1;
uniform sampler2D light;     // column: sunlight, row: spotlight
uniform sampler2D occlusion; // 16 x 16 tiles, one per mask
uniform sampler2D waves;
uniform int effect_frame;

in vec2 uv;
in vec2 face_uv;
in vec2 lamp;
in vec3 from_eye;
in vec2 surface;
flat in uint mask;
flat in uint effects;
flat in int layer;

out vec4 colour;

const uint WAVES = 2u;
const uint GLOW = 8u;

void main() {
  vec4 texel = texture(texture1, vec3(uv, float(layer)));
  if (texel.a < 0.5) discard;

  vec3 lit = textureLod(light, (lamp + 0.5) / 16.0, 0.0).rgb;
  if ((effects & GLOW) != 0u) lit = vec3(1.0);

  float shade = 1.0; // no closed neighbour: nothing to look up (every far face)
  if (mask != 0u) {
    vec2 tile = vec2(float(mask & 15u), float(mask >> 4u));
    shade = textureLod(occlusion, (tile * 16.0 + 0.5 + clamp(face_uv, 0.0, 1.0) * 15.0) / 256.0, 0.0).r;
  }

  vec3 c = texel.rgb * lit * shade;
  if ((effects & WAVES) != 0u) {
    // Two layers of ripples drifting across each other; one minute per cycle.
    float t = float(uint(effect_frame) % 3600u) / 3600.0;
    float w = textureLod(waves, surface / 9.0 + vec2(t * 2.0, t), 0.0).r
            + textureLod(waves, surface / 5.0 - vec2(t, t * 3.0), 0.0).r;
    c *= 0.8 + 0.2 * w;
  }

  // Clear near the eye, then easing into the sky colour, all fog at fog_depth.
  float depth = max(fog_depth, 1e-4);
  float f = clamp((length(from_eye) - 0.4 * depth) / (0.6 * depth), 0.0, 1.0);
  colour = vec4(mix(c, fog_color, f * f * (3.0 - 2.0 * f)), texel.a);
}
