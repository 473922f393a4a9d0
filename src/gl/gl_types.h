// GL, GLU and WGL scalar types, the calling convention and the enum values this program
// uses. The program declares its own types so that no system GL or GLU header (with its
// prototypes) is ever included: every call goes through the entry-point table instead.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define GLAPIENTRY __stdcall
#else
#define GLAPIENTRY
#endif

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef signed char GLbyte;
typedef unsigned char GLubyte;
typedef short GLshort;
typedef unsigned short GLushort;
typedef int GLint;
typedef unsigned int GLuint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;
typedef char GLchar;
typedef char GLcharARB;
typedef unsigned short GLhalfNV;
typedef std::ptrdiff_t GLintptr;
typedef std::ptrdiff_t GLsizeiptr;
typedef std::ptrdiff_t GLintptrARB;
typedef std::ptrdiff_t GLsizeiptrARB;
typedef std::int64_t GLint64EXT;
typedef std::uint64_t GLuint64EXT;
typedef std::int64_t GLint64;
typedef std::uint64_t GLuint64;
typedef struct __GLsync* GLsync;
#ifdef __APPLE__
typedef void* GLhandleARB;
#else
typedef unsigned int GLhandleARB;
#endif

// GLU objects are opaque to the program.
struct GLUquadric;
struct GLUnurbs;
struct GLUtesselator;
typedef GLUquadric GLUquadricObj;
typedef GLUnurbs GLUnurbsObj;
typedef GLUtesselator GLUtesselatorObj;
typedef void(GLAPIENTRY* _GLUfuncptr)();

#ifdef _WIN32
// The Windows types of the WGL entry points, declared as <windows.h> declares them (with
// STRICT handles), so that a file may include both; only pointers to the structures pass
// through the table, so they stay incomplete here.
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef signed int INT32;
typedef long long INT64;
typedef unsigned short USHORT;
typedef unsigned long DWORD;
typedef float FLOAT;
typedef void* HANDLE;
typedef void* LPVOID;
typedef DWORD COLORREF;
struct HDC__;
typedef HDC__* HDC;
struct HGLRC__;
typedef HGLRC__* HGLRC;
struct HPBUFFERARB__;
typedef HPBUFFERARB__* HPBUFFERARB;
struct HPBUFFEREXT__;
typedef HPBUFFEREXT__* HPBUFFEREXT;
struct tagLAYERPLANEDESCRIPTOR;
typedef tagLAYERPLANEDESCRIPTOR LAYERPLANEDESCRIPTOR;
struct _GLYPHMETRICSFLOAT;
typedef _GLYPHMETRICSFLOAT* LPGLYPHMETRICSFLOAT;
struct _WGLSWAP;
typedef _WGLSWAP WGLSWAP;
#endif

enum : GLenum {
  GL_NO_ERROR = 0,
  GL_LINES = 0x0001,
  GL_LINE_LOOP = 0x0002,
  GL_QUADS = 0x0007,
  GL_LEQUAL = 0x0203,
  GL_DEPTH_TEST = 0x0B71,
  GL_PERSPECTIVE_CORRECTION_HINT = 0x0C50,
  GL_POLYGON_SMOOTH_HINT = 0x0C53,
  GL_UNPACK_ALIGNMENT = 0x0CF5,
  GL_PACK_ALIGNMENT = 0x0D05,
  GL_TEXTURE_1D = 0x0DE0,
  GL_TEXTURE_2D = 0x0DE1,
  GL_NICEST = 0x1102,
  GL_UNSIGNED_BYTE = 0x1401,
  GL_UNSIGNED_INT = 0x1405,
  GL_FLOAT = 0x1406,
  GL_MODELVIEW = 0x1700,
  GL_PROJECTION = 0x1701,
  GL_TEXTURE = 0x1702,
  GL_RGB = 0x1907,
  GL_RGBA = 0x1908,
  GL_REPLACE = 0x1E01,
  GL_VENDOR = 0x1F00,
  GL_RENDERER = 0x1F01,
  GL_VERSION = 0x1F02,
  GL_EXTENSIONS = 0x1F03,
  GL_TEXTURE_ENV_MODE = 0x2200,
  GL_TEXTURE_ENV = 0x2300,
  GL_NEAREST = 0x2600,
  GL_LINEAR = 0x2601,
  GL_LINEAR_MIPMAP_LINEAR = 0x2703,
  GL_TEXTURE_MAG_FILTER = 0x2800,
  GL_TEXTURE_MIN_FILTER = 0x2801,
  GL_TEXTURE_WRAP_S = 0x2802,
  GL_TEXTURE_WRAP_T = 0x2803,
  GL_REPEAT = 0x2901,
  GL_TEXTURE_WRAP_R = 0x8072,
  GL_VERTEX_ARRAY = 0x8074,
  GL_NORMAL_ARRAY = 0x8075,
  GL_COLOR_ARRAY = 0x8076,
  GL_TEXTURE_COORD_ARRAY = 0x8078,
  GL_CLAMP_TO_EDGE = 0x812F,
  GL_TEXTURE0_ARB = 0x84C0,
  GL_TEXTURE1_ARB = 0x84C1,
  GL_TEXTURE_CUBE_MAP_ARB = 0x8513,
  GL_TEXTURE_BINDING_CUBE_MAP_ARB = 0x8514,
  GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB = 0x8515,
  GL_TEXTURE_CUBE_MAP_NEGATIVE_X_ARB = 0x8516,
  GL_TEXTURE_CUBE_MAP_POSITIVE_Y_ARB = 0x8517,
  GL_TEXTURE_CUBE_MAP_NEGATIVE_Y_ARB = 0x8518,
  GL_TEXTURE_CUBE_MAP_POSITIVE_Z_ARB = 0x8519,
  GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB = 0x851A,
  GL_COMBINE_ARB = 0x8570,
  GL_COMBINE_RGB_ARB = 0x8571,
  GL_SOURCE0_RGB_ARB = 0x8580,
  GL_SOURCE1_RGB_ARB = 0x8581,
  GL_PREVIOUS_ARB = 0x8578,
  GL_DOT3_RGB_ARB = 0x86AE,
};

// Per-vertex lighting, for the view that compares it with the per-pixel term; the curved
// models' self-shadowing stage and its blending fallback; the panel's see-through box.
enum : GLenum {
  GL_ZERO = 0,
  GL_ONE = 1,
  GL_TRIANGLES = 0x0004,
  GL_SRC_ALPHA = 0x0302,
  GL_ONE_MINUS_SRC_ALPHA = 0x0303,
  GL_DST_COLOR = 0x0306,
  GL_BLEND = 0x0BE2,
  GL_MODULATE = 0x2100,
  GL_TEXTURE2_ARB = 0x84C2,
  GL_TEXTURE3_ARB = 0x84C3,
  GL_MAX_TEXTURE_UNITS_ARB = 0x84E2,
  GL_PRIMARY_COLOR_ARB = 0x8577,
  GL_FRONT_AND_BACK = 0x0408,
  GL_LIGHTING = 0x0B50,
  GL_LIGHT_MODEL_AMBIENT = 0x0B53,
  GL_AMBIENT = 0x1200,
  GL_DIFFUSE = 0x1201,
  GL_POSITION = 0x1203,
  GL_LIGHT0 = 0x4000,
};

// Error codes, and the state and shader names the binding's tests query.
enum : GLenum {
  GL_INVALID_ENUM = 0x0500,
  GL_INVALID_VALUE = 0x0501,
  GL_INVALID_OPERATION = 0x0502,
  GL_STACK_OVERFLOW = 0x0503,
  GL_STACK_UNDERFLOW = 0x0504,
  GL_OUT_OF_MEMORY = 0x0505,
  GL_PROJECTION_MATRIX = 0x0BA7,
  GL_ACTIVE_TEXTURE_ARB = 0x84E0,
  GL_VERTEX_SHADER = 0x8B31,
};

// Buffers, shaders, framebuffers and the core texture names, for the shaders renderer.
enum : GLenum {
  GL_RGB8 = 0x8051,
  GL_TEXTURE_BASE_LEVEL = 0x813C,
  GL_TEXTURE_MAX_LEVEL = 0x813D,
  GL_DEPTH_COMPONENT24 = 0x81A6,
  GL_TEXTURE0 = 0x84C0,
  GL_TEXTURE1 = 0x84C1,
  GL_TEXTURE2 = 0x84C2,
  GL_TEXTURE_CUBE_MAP = 0x8513,
  GL_TEXTURE_CUBE_MAP_POSITIVE_X = 0x8515,
  GL_ARRAY_BUFFER = 0x8892,
  GL_ELEMENT_ARRAY_BUFFER = 0x8893,
  GL_STREAM_DRAW = 0x88E0,
  GL_STATIC_DRAW = 0x88E4,
  GL_FRAGMENT_SHADER = 0x8B30,
  GL_COMPILE_STATUS = 0x8B81,
  GL_LINK_STATUS = 0x8B82,
  GL_INFO_LOG_LENGTH = 0x8B84,
  GL_SHADING_LANGUAGE_VERSION = 0x8B8C,
  GL_READ_FRAMEBUFFER = 0x8CA8,
  GL_DRAW_FRAMEBUFFER = 0x8CA9,
  GL_FRAMEBUFFER_COMPLETE = 0x8CD5,
  GL_COLOR_ATTACHMENT0 = 0x8CE0,
  GL_DEPTH_ATTACHMENT = 0x8D00,
  GL_FRAMEBUFFER = 0x8D40,
  GL_RENDERBUFFER = 0x8D41,
  GL_INVALID_FRAMEBUFFER_OPERATION = 0x0506,
  GL_SCISSOR_TEST = 0x0C11,
  GL_TRIANGLE_STRIP = 0x0005,
  GL_RGBA8 = 0x8058,
};

enum : GLboolean {
  GL_FALSE = 0,
  GL_TRUE = 1,
};

enum : GLbitfield {
  GL_DEPTH_BUFFER_BIT = 0x00000100,
  GL_COLOR_BUFFER_BIT = 0x00004000,
};

enum : GLenum {
  GLU_SMOOTH = 100000,
  GLU_FILL = 100012,
};

// Texture state queries, for reading textures back.
enum : GLenum {
  GL_MAX_TEXTURE_SIZE = 0x0D33,
  GL_TEXTURE_WIDTH = 0x1000,
  GL_TEXTURE_HEIGHT = 0x1001,
  GL_TEXTURE_INTERNAL_FORMAT = 0x1003,
  GL_TEXTURE_BINDING_1D = 0x8068,
  GL_TEXTURE_BINDING_2D = 0x8069,
};
