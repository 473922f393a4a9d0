// The bump-mapping shaders, pixel half: each line does what one texture stage does, on
// the same textures, so that the picture matches the stages' own.

uniform sampler2D u_normalMap;  // unit 0: the normal map, 0.5 + 0.5 n per texel
uniform samplerCube u_cubeMap;  // unit 1: the normalization cube map
uniform sampler2D u_colourMap;  // the colour map's unit

// What this program draws, fixed when it is compiled: the program puts a #define line for
// each before this text, and makes one program per mode, so that a pixel does only its
// mode's work (a GL may run both sides of a branch on a uniform).
const int c_view = VIEW;            // 1 lit, 2 normal map, 3 light vectors, 4 flat, 5 per-vertex
const bool c_shadow = SHADOW;       // the lit view of a curved model: the factor multiplies
const bool c_colour = COLOUR;       // the colour map multiplies the lit term
const bool c_specular = SPECULAR;   // the highlight is added
const int c_squarings = SQUARINGS;  // how many units square N . H: 4 makes the 16th power

in vec2 v_texcoord;
in vec3 v_light;
in vec3 v_half;
in float v_shade;
in float v_vertexLight;

out vec4 o_colour;

// GL_DOT3_RGB: 4 x the sum of the products of (c - 0.5), clamped to [0, 1], in every
// channel. With both colours encoding unit vectors as 0.5 + 0.5 v, that is their cosine.
vec3 Dot3(vec3 a, vec3 b) {
  return vec3(clamp(4.0 * dot(a - 0.5, b - 0.5), 0.0, 1.0));
}

void main() {
  // Unit 0, GL_REPLACE: the normal-map texel.
  vec3 normal = texture(u_normalMap, v_texcoord).rgb;
  // Unit 1's texture: the cube map's texel in the direction of the interpolated light
  // vector, a unit vector encoded as 0.5 + 0.5 l. One line would do the same without the
  // cube map, `vec3 light = 0.5 + 0.5 * normalize(v_light);`, and exactly on any GL; the
  // program keeps the cube map because it is the technique's own (the lookup the stages
  // make, with its 32-texel faces and their filtering), so the two pictures can be compared.
  vec3 light = texture(u_cubeMap, v_light).rgb;

  vec3 colour;
  if (c_view == 2) {
    colour = normal;  // unit 0 alone
  } else if (c_view == 3) {
    colour = light;  // unit 1 alone
  } else if (c_view == 4) {
    colour = Dot3(vec3(0.5, 0.5, 1.0), light);  // unit 1 on the primary colour (0, 0, 1)
  } else if (c_view == 5) {
    colour = vec3(v_vertexLight);  // GL_LIGHTING: max(N . L, 0) per vertex, interpolated
  } else {
    colour = Dot3(normal, light);                  // unit 1, GL_DOT3_RGB
    if (c_shadow) colour *= v_shade;               // unit 2, GL_MODULATE by the primary colour
    if (c_colour) colour *= texture(u_colourMap, v_texcoord).rgb;  // the next, by the texel
    if (c_specular) {
      // The second pass: units 0 and 1 with the half-angle vector, then a unit per squaring
      // (each clamps, as a stage does), the factor on curved models, added by blending.
      float highlight = Dot3(normal, texture(u_cubeMap, v_half).rgb).r;
      for (int k = 0; k < c_squarings; ++k) highlight = clamp(highlight * highlight, 0.0, 1.0);
      if (c_shadow) highlight *= v_shade;
      colour = clamp(colour + highlight, 0.0, 1.0);  // glBlendFunc(GL_ONE, GL_ONE)
    }
  }
  o_colour = vec4(colour, 1.0);
}
