// Plain coloured points, lines and triangles: the light marker, the overlays and the
// panel. What glColor and glVertex gave the stages, per vertex.

uniform mat4 u_modelview;
uniform mat4 u_projection;

in vec3 a_position;
in vec4 a_colour;

out vec4 v_colour;

void main() {
  v_colour = a_colour;
  gl_Position = u_projection * (u_modelview * vec4(a_position, 1.0));
}
