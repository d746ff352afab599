#version 330 compatibility
// Keeps the opaque texels of the image on unit 0; the colour logic op
// inverts whatever lies beneath them, so the colour written is irrelevant.

uniform sampler2D glyph; // never set: unit 0

in vec2 uv;

out vec4 colour;

void main() {
  if (texture(glyph, uv).a < 0.5) discard;
  colour = vec4(1.0);
}
