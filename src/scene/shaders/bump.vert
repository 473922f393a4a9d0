// The bump-mapping shaders, vertex half: places the vertex and works out, from the light's
// and the camera's positions, what the texture stages are given per vertex (the light and
// half-angle vectors in the vertex's tangent frame, the self-shadowing factor), to be
// interpolated across each triangle. The program puts the #version line (and, for OpenGL
// ES, the precision) and the mode's #define lines before this text.

uniform mat4 u_modelview;   // the camera: the stages' GL_MODELVIEW matrix
uniform mat4 u_projection;  // gluPerspective's matrix: the stages' GL_PROJECTION
uniform vec3 u_light;       // where the light is
uniform vec3 u_eye;         // where the camera is

in vec3 a_position;        // glVertexPointer
in vec3 a_normal;          // the vertex's tangent frame: N, T along s, B along t
in vec3 a_tangent;
in vec3 a_bitangent;
in vec2 a_texcoord;        // unit 0's coordinate: where on the normal map
in vec2 a_colourTexcoord;  // where on the colour map (the same unless the model says)

const bool c_normalise = NORMALISE;  // the wall: light vectors normalised at its corners
const int c_basis = BASIS;           // 1: the fragment shader carries the vectors per pixel
const float c_mirroredShade = MIRRORED_SHADE;

out vec2 v_texcoord;
out vec2 v_colourTexcoord;
out vec3 v_light;
out vec3 v_half;
out float v_shade;
out float v_vertexLight;
out vec3 v_tangentColour;
// The frame itself, for the per-pixel basis.
out vec3 v_position;
out vec3 v_normal;
out vec3 v_tangent;
out float v_handedness;

// The stages' self-shadowing factor: full from a cosine of 1/8, falling to nothing at 0.
float SelfShadow(float c) {
  return c <= 0.0 ? 0.0 : (c >= 0.125 ? 1.0 : 8.0 * c);
}

// A world-space vector in the vertex's tangent frame: (d . T, d . B, d . N).
vec3 InFrame(vec3 d) {
  return vec3(dot(d, a_tangent), dot(d, a_bitangent), dot(d, a_normal));
}

void main() {
  v_texcoord = a_texcoord;
  v_colourTexcoord = a_colourTexcoord;
  vec3 toLight = u_light - a_position;
  vec3 unit = normalize(toLight);
  // Unit 1's coordinate: not normalised on curved surfaces (the cube map normalises per
  // pixel), as the stages hand it over.
  v_light = InFrame(c_normalise ? unit : toLight);
  v_half = InFrame(unit) + InFrame(normalize(u_eye - a_position));
  v_shade = SelfShadow(dot(unit, a_normal));
  v_vertexLight = max(dot(unit, a_normal), 0.0);  // GL_LIGHTING: max(N . L, 0)
  v_handedness = dot(cross(a_normal, a_tangent), a_bitangent) < 0.0 ? -1.0 : 1.0;
  v_tangentColour = (0.5 + 0.5 * a_tangent) * (v_handedness < 0.0 ? c_mirroredShade : 1.0);
  v_position = a_position;
  v_normal = a_normal;
  v_tangent = a_tangent;
  // Modelview, then projection, as the fixed-function pipeline transforms a vertex.
  gl_Position = u_projection * (u_modelview * vec4(a_position, 1.0));
}
