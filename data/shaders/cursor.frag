#version 330 compatibility
// A dark, half-transparent line: visible on sky and on every cell colour.

out vec4 colour;

void main() { colour = vec4(0.05, 0.05, 0.08, 0.6); }
