// The bump-mapping shaders, pixel half: each line does what one texture stage does, on
// the same textures, so that the picture matches the stages' own.

uniform sampler2D u_normalMap;  // unit 0: the normal map, 0.5 + 0.5 n per texel
uniform samplerCube u_cubeMap;  // unit 1: the normalization cube map
uniform sampler2D u_colourMap;  // the colour map's unit
uniform vec3 u_light;           // where the light is (for the per-pixel basis)
uniform vec3 u_eye;             // where the camera is

// What this program draws, fixed when it is compiled: the program puts a #define line for
// each before this text, and makes one program per mode, so that a pixel does only its
// mode's work (a GL may run both sides of a branch on a uniform).
const int c_view = VIEW;  // 1 lit, 2 normal map, 3 light vectors, 4 flat, 5 per-vertex, 6 tangents
const bool c_shadow = SHADOW;       // the lit view of a curved model: the factor multiplies
const bool c_colour = COLOUR;       // the colour map multiplies the lit term
const bool c_specular = SPECULAR;   // the highlight is added
const int c_squarings = SQUARINGS;  // how many units square N . H: 4 makes the 16th power
const bool c_normalise = NORMALISE; // the wall: the light vector normalised
const int c_basis = BASIS;          // 0: the vectors as interpolated; 1: per pixel

in vec2 v_texcoord;
in vec2 v_colourTexcoord;
in vec3 v_light;
in vec3 v_half;
in float v_shade;
in float v_vertexLight;
in vec3 v_tangentColour;
in vec3 v_position;
in vec3 v_normal;
in vec3 v_tangent;
in float v_handedness;

out vec4 o_colour;

// GL_DOT3_RGB: 4 x the sum of the products of (c - 0.5), clamped to [0, 1], in every
// channel. With both colours encoding unit vectors as 0.5 + 0.5 v, that is their cosine.
vec3 Dot3(vec3 a, vec3 b) {
  return vec3(clamp(4.0 * dot(a - 0.5, b - 0.5), 0.0, 1.0));
}

void main() {
  // The light and half-angle vectors in the tangent frame and the self-shadowing factor: as
  // the vertices gave them, or, per pixel, in the frame interpolated and rebuilt here (N and
  // T normalised, B = w N x T), as a MikkTSpace baker bakes.
  vec3 lightVector = v_light, halfVector = v_half;
  float shade = v_shade;
  if (c_basis == 1) {
    vec3 n = normalize(v_normal), t = normalize(v_tangent);
    vec3 b = (v_handedness < 0.0 ? -1.0 : 1.0) * cross(n, t);
    vec3 toLight = u_light - v_position;
    vec3 unit = normalize(toLight);
    vec3 d = c_normalise ? unit : toLight;
    lightVector = vec3(dot(d, t), dot(d, b), dot(d, n));
    vec3 h = unit + normalize(u_eye - v_position);
    halfVector = vec3(dot(h, t), dot(h, b), dot(h, n));
    float c = dot(unit, n);
    shade = c <= 0.0 ? 0.0 : (c >= 0.125 ? 1.0 : 8.0 * c);
  }
  // Unit 0, GL_REPLACE: the normal-map texel.
  vec3 normal = texture(u_normalMap, v_texcoord).rgb;
  // Unit 1's texture: the cube map's texel in the direction of the interpolated light
  // vector, a unit vector encoded as 0.5 + 0.5 l. One line would do the same without the
  // cube map, `vec3 light = 0.5 + 0.5 * normalize(lightVector);`, and exactly on any GL; the
  // program keeps the cube map because it is the technique's own (the lookup the stages
  // make, with its 32-texel faces and their filtering), so the two pictures can be compared.
  vec3 light = texture(u_cubeMap, lightVector).rgb;

  vec3 colour;
  if (c_view == 2) {
    colour = normal;  // unit 0 alone
  } else if (c_view == 3) {
    colour = light;  // unit 1 alone
  } else if (c_view == 4) {
    colour = Dot3(vec3(0.5, 0.5, 1.0), light);  // unit 1 on the primary colour (0, 0, 1)
  } else if (c_view == 5) {
    colour = vec3(v_vertexLight);  // GL_LIGHTING: max(N . L, 0) per vertex, interpolated
  } else if (c_view == 6) {
    colour = v_tangentColour;  // the tangent as colour, darker where mirrored
  } else {
    colour = Dot3(normal, light);  // unit 1, GL_DOT3_RGB
    if (c_shadow) colour *= shade;  // unit 2, GL_MODULATE by the primary colour
    if (c_colour) colour *= texture(u_colourMap, v_colourTexcoord).rgb;  // the next, by the texel
    if (c_specular) {
      // The second pass: units 0 and 1 with the half-angle vector, then a unit per squaring
      // (each clamps, as a stage does), the factor on curved models, added by blending.
      float highlight = Dot3(normal, texture(u_cubeMap, halfVector).rgb).r;
      for (int k = 0; k < c_squarings; ++k) highlight = clamp(highlight * highlight, 0.0, 1.0);
      if (c_shadow) highlight *= shade;
      colour = clamp(colour + highlight, 0.0, 1.0);  // glBlendFunc(GL_ONE, GL_ONE)
    }
  }
  o_colour = vec4(colour, 1.0);
}
