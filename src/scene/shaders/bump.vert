// The bump-mapping shaders, vertex half: places the vertex and hands on, to be
// interpolated across each triangle, what the texture stages are given per vertex.
// The program puts the #version line (and, for OpenGL ES, the precision) before this text.

uniform mat4 u_modelview;   // the camera: the stages' GL_MODELVIEW matrix
uniform mat4 u_projection;  // gluPerspective's matrix: the stages' GL_PROJECTION

in vec3 a_position;     // glVertexPointer
in vec2 a_texcoord;     // unit 0's coordinate: where on the normal map (and the colour map)
in vec3 a_light;        // unit 1's coordinate: the light vector in the vertex's tangent frame
in vec3 a_half;         // unit 1's coordinate in the highlight's pass: the half-angle vector
in float a_shade;       // the primary colour of the lit view: the self-shadowing factor
in float a_vertexLight; // the primary colour of view 5: the GL's own per-vertex lighting

out vec2 v_texcoord;
out vec3 v_light;
out vec3 v_half;
out float v_shade;
out float v_vertexLight;

void main() {
  v_texcoord = a_texcoord;
  // Not normalised here: interpolated as the stages interpolate texture coordinates, then
  // looked up in the cube map, which normalises per pixel.
  v_light = a_light;
  v_half = a_half;
  v_shade = a_shade;
  v_vertexLight = a_vertexLight;
  // Modelview, then projection, as the fixed-function pipeline transforms a vertex.
  gl_Position = u_projection * (u_modelview * vec4(a_position, 1.0));
}
