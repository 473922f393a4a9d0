// The PNG encoder of stb_image_write (public domain), compiled once, without its own file
// writing: the program writes the bytes itself.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
