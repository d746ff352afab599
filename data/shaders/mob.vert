#version 330 compatibility
// Mob sprites: a one-cell quad centred on the body, upright and turned to
// the screen; a negative layer is the NOT of a layer drawn mirrored.

layout(location = 0) in vec3 centre;   // body position, world cells
layout(location = 1) in int layer_in;
layout(location = 2) in uint lighting; // sunlight low nibble, spotlight high
layout(location = 3) in vec2 corner;   // (0, 0), (1, 0), (1, 1), (0, 1)

uniform mat4 view;
uniform mat4 projection;
uniform vec3 camera;
uniform sampler2DArray texture;

out vec2 uv;
out vec3 from_eye;
flat out vec2 lamp;
flat out int layer;

void main() {
  vec3 right = normalize(vec3(view[0][0], 0.0, view[2][0]));
  vec3 world = centre + right * (corner.x - 0.5) + vec3(0.0, corner.y - 0.5, 0.0);
  from_eye = world - camera;
  gl_Position = projection * view * vec4(world, 1.0);

  bool mirrored = layer_in < 0;
  uv = vec2(mirrored ? 1.0 - corner.x : corner.x, 1.0 - corner.y);
  lamp = vec2(float(lighting & 15u), float(lighting >> 4u));
  int l = mirrored ? ~layer_in : layer_in;
  layer = min(l, textureSize(texture, 0).z - 1);
}
