#version 330 compatibility
// Mob sprites: textured, lit and fogged like the page surfaces. The
// sampler named "texture" hides texture(): sample with textureGrad.

uniform vec3 fog_color;
uniform float fog_depth;
uniform sampler2DArray texture;
uniform sampler2D light;

in vec2 uv;
in vec3 from_eye;
flat in vec2 lamp;
flat in int layer;

out vec4 colour;

void main() {
  vec4 texel = textureGrad(texture, vec3(uv, float(layer)), dFdx(uv), dFdy(uv));
  if (texel.a < 0.5) discard;
  vec3 c = texel.rgb * textureLod(light, (lamp + 0.5) / 16.0, 0.0).rgb;
  float depth = max(fog_depth, 1e-4);
  float f = clamp((length(from_eye) - 0.4 * depth) / (0.6 * depth), 0.0, 1.0);
  colour = vec4(mix(c, fog_color, f * f * (3.0 - 2.0 * f)), texel.a);
}
