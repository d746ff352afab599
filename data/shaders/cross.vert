#version 330 compatibility
// The crosshair square in window pixels.

layout(location = 0) in vec2 position;
layout(location = 1) in vec2 corner;

uniform mat4 MVP;

out vec2 uv;

void main() {
  uv = corner;
  gl_Position = MVP * vec4(position, 0.0, 1.0);
}
