// Plain colour: texturing and lighting off.

in vec4 v_colour;

out vec4 o_colour;

void main() {
  o_colour = v_colour;
}
