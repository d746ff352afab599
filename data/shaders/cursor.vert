#version 330 compatibility
// Outline and page grid lines.

layout(location = 0) in vec3 position;

uniform mat4 MVP;

void main() { gl_Position = MVP * vec4(position, 1.0); }
