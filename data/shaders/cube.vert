#version 330 compatibility
// Page meshes: 10-byte vertices in page-local cells, placed at the page's
// origin, bent down with the planet's curvature around the camera.

layout(location = 0) in vec3 position;   // 0..16
layout(location = 1) in uint lighting;   // sunlight low nibble, spotlight high
layout(location = 2) in uint closed;     // occlusion mask, one bit per neighbour
layout(location = 3) in uint fx;        // effects of the face's cell model
layout(location = 4) in vec2 corner;     // texture corner, repeats per cell
layout(location = 5) in uint layer_bits; // layer in bits 0-12, orientation 13-15

uniform vec3 model;
uniform mat4 vp;
uniform vec3 camera;
uniform int effect_frame;
uniform float planet_radius;
uniform sampler2DArray texture1;

out vec2 uv;        // into the layer, orientation applied
out vec2 face_uv;   // across the face, for the occlusion tile
out vec2 lamp;      // sunlight, spotlight: 0..15
out vec3 from_eye;  // world position relative to the camera
out vec2 surface;   // world x, z, where the ripples are
flat out uint mask;
flat out uint effects;
flat out int layer;

const uint SWAY = 4u;

// Transpose first, then flip x, then flip y: the same order in every shader.
vec2 orient(vec2 c, uint bits) {
  if ((bits & 0x8000u) != 0u) c = c.yx;
  if ((bits & 0x2000u) != 0u) c.x = 1.0 - c.x;
  if ((bits & 0x4000u) != 0u) c.y = 1.0 - c.y;
  return c;
}

void main() {
  vec3 world = model + position;
  if ((fx & SWAY) != 0u) {
    // Foliage: a slow sway, the same at a shared corner so no seams open.
    float phase = float(uint(effect_frame) % 480u) / 480.0 * 6.2831853;
    world.xz += 0.04 * vec2(sin(phase + world.y * 0.7 + world.z * 0.3), cos(phase + world.x * 0.5));
  }
  from_eye = world - camera;
  surface = world.xz;
  // The ground falls away with the square of the distance on a round planet.
  float drop = planet_radius > 0.0 ? dot(from_eye.xz, from_eye.xz) / (2.0 * planet_radius) : 0.0;
  gl_Position = vp * vec4(world.x, world.y - drop, world.z, 1.0);

  uv = orient(corner, layer_bits);
  face_uv = corner;
  lamp = vec2(float(lighting & 15u), float(lighting >> 4u));
  mask = closed;
  effects = fx;
  // A layer past the array (65535: untextured) draws the last, fallback layer.
  layer = min(int(layer_bits & 0x1FFFu), textureSize(texture1, 0).z - 1);
}
