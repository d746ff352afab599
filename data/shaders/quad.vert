#version 330 compatibility
// Billboard cells: a one-cell quad centred on the anchor, upright and turned
// to the screen, so plants keep standing whatever the camera's pitch.

layout(location = 0) in vec3 anchor;   // in 1/16 cell from the page origin
layout(location = 1) in uint lighting; // sunlight low nibble, spotlight high
layout(location = 2) in int layer_in;  // layer with orientation bits
layout(location = 3) in vec2 corner;   // (0, 0), (1, 0), (1, 1), (0, 1)

uniform vec3 model;
uniform mat4 view;
uniform mat4 projection;
uniform vec3 camera;
uniform sampler2DArray texture;

out vec2 uv;
out vec3 from_eye;
flat out vec2 lamp;
flat out int layer;

vec2 orient(vec2 c, uint bits) {
  if ((bits & 0x8000u) != 0u) c = c.yx;
  if ((bits & 0x2000u) != 0u) c.x = 1.0 - c.x;
  if ((bits & 0x4000u) != 0u) c.y = 1.0 - c.y;
  return c;
}

void main() {
  // The camera's right axis, which its pitch never tilts out of the ground plane.
  vec3 right = normalize(vec3(view[0][0], 0.0, view[2][0]));
  vec3 world = model + anchor / 16.0 + right * (corner.x - 0.5) + vec3(0.0, corner.y - 0.5, 0.0);
  from_eye = world - camera;
  gl_Position = projection * view * vec4(world, 1.0);

  uint bits = uint(layer_in) & 0xFFFFu;
  uv = orient(vec2(corner.x, 1.0 - corner.y), bits); // image top at the quad's top
  lamp = vec2(float(lighting & 15u), float(lighting >> 4u));
  layer = min(int(bits & 0x1FFFu), textureSize(texture, 0).z - 1);
}
