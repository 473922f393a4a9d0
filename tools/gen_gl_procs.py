#!/usr/bin/env python3
"""Writes the entry-point lists of the lazy GL table from the Khronos XML registry.

Reads gl.xml and wgl.xml (Debian package khronos-api) and writes three X-macro lists:

  src/gl/gl_procs.inc                 every slot of the table, grouped by family
  src/gl/wgl_core_procs.inc           the WGL slots the loader binds when it loads the GL
  src/gl/recorder/gl_record_args.inc  how the GL-call recorder renders each argument
  src/gl/gl_compat_only.inc           the slots a core-profile context does not offer

  python3 tools/gen_gl_procs.py            regenerate the lists in place
  python3 tools/gen_gl_procs.py --check    compare fresh output with the committed
                                           lists: exit 0 when equal, 1 on any
                                           difference, 77 when no registry is found

Python 3 standard library only.
"""

import argparse
import difflib
import os
import re
import shutil
import sys
import tempfile
import xml.etree.ElementTree as ET

DEFAULT_REGISTRY = "/usr/share/khronos-api"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUTS = {
    "procs": "src/gl/gl_procs.inc",
    "wgl_core": "src/gl/wgl_core_procs.inc",
    "record_args": "src/gl/recorder/gl_record_args.inc",
    "compat_only": "src/gl/gl_compat_only.inc",
}
SKIP_CODE = 77

# Core families: the registry's feature lists, with the imaging subset counted in 1.2
# (it also takes glBlendColor and glBlendEquation, which 1.4 lists again).
CORE_FAMILIES = [
    ("GL_VERSION_1_1", ["GL_VERSION_1_0", "GL_VERSION_1_1"], []),
    ("GL_VERSION_1_2", ["GL_VERSION_1_2", "GL_ARB_imaging"], []),
    ("GL_VERSION_1_3", ["GL_VERSION_1_3"], []),
    ("GL_VERSION_1_4", ["GL_VERSION_1_4"], []),
    ("GL_VERSION_1_5", ["GL_VERSION_1_5"], []),
    ("GL_VERSION_2_0", ["GL_VERSION_2_0"], ["glGetVertexAttribdv"]),
    # What the shaders renderer builds on: GL 3.3 core (vertex arrays, framebuffers,
    # instancing, samplers).
    ("GL_VERSION_2_1", ["GL_VERSION_2_1"], []),
    ("GL_VERSION_3_0", ["GL_VERSION_3_0"], []),
    ("GL_VERSION_3_1", ["GL_VERSION_3_1"], []),
    ("GL_VERSION_3_2", ["GL_VERSION_3_2"], []),
    ("GL_VERSION_3_3", ["GL_VERSION_3_3"], []),
]

# OpenGL ES 3.0's commands that desktop GL up to 3.3 lacks (its own spellings of depth
# ranges, shader binaries, immutable textures and the like), in a family of their own.
ES_FAMILY = ("GL_ES_VERSION_3_0", ["GL_ES_VERSION_2_0", "GL_ES_VERSION_3_0"])

# Extension families: the registry extensions whose commands carry the family's suffix.
GL_EXTENSION_FAMILIES = [
    ("GL_ARB", "ARB", """
        GL_ARB_matrix_palette GL_ARB_multisample GL_ARB_multitexture GL_ARB_point_parameters
        GL_ARB_texture_compression GL_ARB_transpose_matrix GL_ARB_vertex_blend
        GL_ARB_vertex_buffer_object GL_ARB_vertex_program GL_ARB_window_pos
        GL_ARB_draw_buffers GL_ARB_color_buffer_float GL_ARB_vertex_shader
        GL_ARB_shader_objects GL_ARB_occlusion_query"""),
    ("GL_EXT", "EXT", """
        GL_EXT_blend_color GL_EXT_blend_minmax GL_EXT_blend_func_separate
        GL_EXT_blend_equation_separate GL_EXT_color_subtable GL_EXT_compiled_vertex_array
        GL_EXT_convolution GL_EXT_coordinate_frame GL_EXT_copy_texture GL_EXT_cull_vertex
        GL_EXT_draw_range_elements GL_EXT_fog_coord GL_EXT_framebuffer_object
        GL_EXT_histogram GL_EXT_index_func GL_EXT_index_material GL_EXT_light_texture
        GL_EXT_multi_draw_arrays GL_EXT_multisample GL_EXT_paletted_texture
        GL_EXT_pixel_transform GL_EXT_point_parameters GL_EXT_polygon_offset
        GL_EXT_secondary_color GL_EXT_stencil_two_side GL_EXT_subtexture GL_EXT_texture3D
        GL_EXT_texture_object GL_EXT_texture_perturb_normal GL_EXT_vertex_array
        GL_EXT_vertex_shader GL_EXT_vertex_weighting GL_EXT_stencil_clear_tag
        GL_EXT_depth_bounds_test"""),
    ("GL_NV", "NV", """
        GL_NV_evaluators GL_NV_fence GL_NV_fragment_program GL_NV_half_float
        GL_NV_occlusion_query GL_NV_pixel_data_range GL_NV_point_sprite
        GL_NV_primitive_restart GL_NV_register_combiners GL_NV_register_combiners2
        GL_NV_vertex_array_range GL_NV_vertex_program"""),
    ("GL_ATI", "ATI", """
        GL_ATI_draw_buffers GL_ATI_element_array GL_ATI_envmap_bumpmap
        GL_ATI_fragment_shader GL_ATI_map_object_buffer GL_ATI_vertex_array_object
        GL_ATI_vertex_attrib_array_object GL_ATI_pn_triangles GL_ATI_separate_stencil
        GL_ATI_vertex_streams"""),
    ("GL_SUN", "SUN", "GL_SUN_global_alpha GL_SUN_mesh_array GL_SUN_triangle_list GL_SUN_vertex"),
    ("GL_SGIX", "SGIX", """
        GL_SGIX_async GL_SGIX_flush_raster GL_SGIX_fragment_lighting GL_SGIX_framezoom
        GL_SGIX_igloo_interface GL_SGIX_instruments GL_SGIX_list_priority
        GL_SGIX_pixel_texture GL_SGIX_polynomial_ffd GL_SGIX_reference_plane
        GL_SGIX_sprite GL_SGIX_tag_sample_buffer"""),
    ("GL_MESA", "MESA", "GL_MESA_resize_buffers GL_MESA_window_pos"),
    ("GL_SGIS", "SGIS", """
        GL_SGIS_detail_texture GL_SGIS_sharpen_texture GL_SGIS_texture_filter4
        GL_SGIS_fog_function GL_SGIS_multisample GL_SGIS_pixel_texture
        GL_SGIS_point_parameters GL_SGIS_texture4D GL_SGIS_texture_color_mask"""),
    ("GL_APPLE", "APPLE", """
        GL_APPLE_element_array GL_APPLE_fence GL_APPLE_vertex_array_object
        GL_APPLE_vertex_array_range"""),
    ("GL_IBM", "IBM", "GL_IBM_multimode_draw_arrays GL_IBM_vertex_array_lists"),
    ("GL_SGI", "SGI", "GL_SGI_color_table"),
    ("GL_HP", "HP", "GL_HP_image_transform"),
    ("GL_INTEL", "INTEL", "GL_INTEL_parallel_arrays"),
    ("GL_WIN", "WIN", ""),
    ("GL_3DFX", "3DFX", "GL_3DFX_tbuffer"),
    ("GL_INGR", "INGR", "GL_INGR_blend_func_separate"),
    ("GL_PGI", "PGI", "GL_PGI_misc_hints"),
    ("GL_SUNX", "SUNX", "GL_SUNX_constant_data"),
]

# Context creation with attributes (core and ES profiles): its own family, so that the
# families the program has always had keep their counts.
WGL_CONTEXT_FAMILY = ("WGL_ARB_create_context", "ARB", "WGL_ARB_create_context")

WGL_EXTENSION_FAMILIES = [
    ("WGL_ARB", "ARB", """
        WGL_ARB_buffer_region WGL_ARB_make_current_read WGL_ARB_pbuffer
        WGL_ARB_pixel_format WGL_ARB_render_texture WGL_ARB_extensions_string"""),
    ("WGL_EXT", "EXT", """
        WGL_EXT_display_color_table WGL_EXT_make_current_read WGL_EXT_pbuffer
        WGL_EXT_pixel_format WGL_EXT_swap_control WGL_EXT_extensions_string"""),
    ("WGL_I3D", "I3D", """
        WGL_I3D_digital_video_control WGL_I3D_gamma WGL_I3D_genlock WGL_I3D_image_buffer
        WGL_I3D_swap_frame_lock WGL_I3D_swap_frame_usage"""),
    ("WGL_OML", "OML", "WGL_OML_sync_control"),
    ("WGL_NV", "NV", "WGL_NV_vertex_array_range"),
]

# Commands a later revision of an extension added; the table follows the extension as
# the other families' drivers shipped it.
LEFT_OUT = {
    "glGetPixelTransformParameterivEXT": "added by a later revision of EXT_pixel_transform",
    "glGetPixelTransformParameterfvEXT": "added by a later revision of EXT_pixel_transform",
}

# Names the registry lacks, with their published signatures:
# (family, return type, name, [(type, name)], argument rendering).
HAND_WRITTEN = [
    ("GL_WIN", "void", "glAddSwapHintRectWIN",
     [("GLint", "x"), ("GLint", "y"), ("GLsizei", "width"), ("GLsizei", "height")],
     "Value, Value, Value, Value"),
    ("GL_WIN", "void", "glDrawRangeElementsWIN",
     [("GLenum", "mode"), ("GLuint", "start"), ("GLuint", "end"), ("GLsizei", "count"),
      ("GLenum", "type"), ("const void*", "indices")],
     "Enum, Value, Value, Value, Enum, Value"),
    # As glClampColorARB, under the name the WGL extension list once carried.
    ("WGL_ARB", "void", "wglClampColorARB", [("GLenum", "target"), ("GLenum", "clamp")],
     "Enum, Enum"),
]

# The WGL slots the loader binds as soon as the GL library is loaded, in its order: the
# 20 core slots (all but wglSwapMultipleBuffers from wgl.xml), which only the loader binds,
# and one slot of the table.
WGL_CORE = [
    "wglCopyContext", "wglCreateLayerContext", "wglCreateContext", "wglDeleteContext",
    "wglDescribeLayerPlane", "wglGetCurrentContext", "wglGetCurrentDC",
    "wglGetLayerPaletteEntries", "wglMakeCurrent", "wglRealizeLayerPalette",
    "wglSetLayerPaletteEntries", "wglShareLists", "wglSwapLayerBuffers",
    "wglSwapMultipleBuffers", "wglGetExtensionsStringEXT", "wglUseFontBitmapsA",
    "wglUseFontOutlinesA", "wglUseFontBitmapsW", "wglUseFontOutlinesW", "wglUseFontBitmaps",
    "wglUseFontOutlines",
]
WGL_TABLE_SLOTS = {"wglGetExtensionsStringEXT"}
# The character-set-neutral slots take the ANSI exports.
WGL_EXPORT_NAMES = {"wglUseFontBitmaps": "wglUseFontBitmapsA",
                    "wglUseFontOutlines": "wglUseFontOutlinesA"}
WGL_CORE_HAND = {
    "wglSwapMultipleBuffers": ("DWORD", [("UINT", "n"), ("const WGLSWAP*", "ps")]),
}

# GLU 1.3, in the loader's binding order: (return type, name, [(type, name)], rendering).
GLU_PROCS = [
    ("void", "gluBeginCurve", [("GLUnurbs*", "nurb")], "Value"),
    ("void", "gluBeginPolygon", [("GLUtesselator*", "tess")], "Value"),
    ("void", "gluBeginSurface", [("GLUnurbs*", "nurb")], "Value"),
    ("void", "gluBeginTrim", [("GLUnurbs*", "nurb")], "Value"),
    ("GLint", "gluBuild1DMipmaps",
     [("GLenum", "target"), ("GLint", "internalFormat"), ("GLsizei", "width"),
      ("GLenum", "format"), ("GLenum", "type"), ("const void*", "data")],
     "Enum, Value, Value, Enum, Enum, Pixels(3, 4, 2, -1, -1)"),
    ("GLint", "gluBuild2DMipmaps",
     [("GLenum", "target"), ("GLint", "internalFormat"), ("GLsizei", "width"),
      ("GLsizei", "height"), ("GLenum", "format"), ("GLenum", "type"), ("const void*", "data")],
     "Enum, Value, Value, Value, Enum, Enum, Pixels(4, 5, 2, 3, -1)"),
    ("void", "gluCylinder",
     [("GLUquadric*", "quad"), ("GLdouble", "base"), ("GLdouble", "top"), ("GLdouble", "height"),
      ("GLint", "slices"), ("GLint", "stacks")], "Value, Value, Value, Value, Value, Value"),
    ("void", "gluDeleteNurbsRenderer", [("GLUnurbs*", "nurb")], "Value"),
    ("void", "gluDeleteQuadric", [("GLUquadric*", "quad")], "Value"),
    ("void", "gluDeleteTess", [("GLUtesselator*", "tess")], "Value"),
    ("void", "gluDisk",
     [("GLUquadric*", "quad"), ("GLdouble", "inner"), ("GLdouble", "outer"), ("GLint", "slices"),
      ("GLint", "loops")], "Value, Value, Value, Value, Value"),
    ("void", "gluEndCurve", [("GLUnurbs*", "nurb")], "Value"),
    ("void", "gluEndPolygon", [("GLUtesselator*", "tess")], "Value"),
    ("void", "gluEndSurface", [("GLUnurbs*", "nurb")], "Value"),
    ("void", "gluEndTrim", [("GLUnurbs*", "nurb")], "Value"),
    ("const GLubyte*", "gluErrorString", [("GLenum", "error")], "Enum"),
    ("void", "gluGetNurbsProperty",
     [("GLUnurbs*", "nurb"), ("GLenum", "property"), ("GLfloat*", "data")], "Value, Enum, Value"),
    ("const GLubyte*", "gluGetString", [("GLenum", "name")], "Enum"),
    ("void", "gluGetTessProperty",
     [("GLUtesselator*", "tess"), ("GLenum", "which"), ("GLdouble*", "data")], "Value, Enum, Value"),
    ("void", "gluLoadSamplingMatrices",
     [("GLUnurbs*", "nurb"), ("const GLfloat*", "model"), ("const GLfloat*", "perspective"),
      ("const GLint*", "view")], "Value, Array(16), Array(16), Array(4)"),
    ("void", "gluLookAt",
     [("GLdouble", "eyeX"), ("GLdouble", "eyeY"), ("GLdouble", "eyeZ"), ("GLdouble", "centerX"),
      ("GLdouble", "centerY"), ("GLdouble", "centerZ"), ("GLdouble", "upX"), ("GLdouble", "upY"),
      ("GLdouble", "upZ")], "Value, Value, Value, Value, Value, Value, Value, Value, Value"),
    ("GLUnurbs*", "gluNewNurbsRenderer", [], ""),
    ("GLUquadric*", "gluNewQuadric", [], ""),
    ("GLUtesselator*", "gluNewTess", [], ""),
    ("void", "gluNextContour", [("GLUtesselator*", "tess"), ("GLenum", "type")], "Value, Enum"),
    ("void", "gluNurbsCallback",
     [("GLUnurbs*", "nurb"), ("GLenum", "which"), ("_GLUfuncptr", "CallBackFunc")], "Value, Enum, Value"),
    ("void", "gluNurbsCurve",
     [("GLUnurbs*", "nurb"), ("GLint", "knotCount"), ("GLfloat*", "knots"), ("GLint", "stride"),
      ("GLfloat*", "control"), ("GLint", "order"), ("GLenum", "type")], "Value, Value, Value, Value, Value, Value, Enum"),
    ("void", "gluNurbsProperty",
     [("GLUnurbs*", "nurb"), ("GLenum", "property"), ("GLfloat", "value")], "Value, Enum, Value"),
    ("void", "gluNurbsSurface",
     [("GLUnurbs*", "nurb"), ("GLint", "sKnotCount"), ("GLfloat*", "sKnots"),
      ("GLint", "tKnotCount"), ("GLfloat*", "tKnots"), ("GLint", "sStride"), ("GLint", "tStride"),
      ("GLfloat*", "control"), ("GLint", "sOrder"), ("GLint", "tOrder"), ("GLenum", "type")],
     "Value, Value, Value, Value, Value, Value, Value, Value, Value, Value, Enum"),
    ("void", "gluOrtho2D",
     [("GLdouble", "left"), ("GLdouble", "right"), ("GLdouble", "bottom"), ("GLdouble", "top")],
     "Value, Value, Value, Value"),
    ("void", "gluPartialDisk",
     [("GLUquadric*", "quad"), ("GLdouble", "inner"), ("GLdouble", "outer"), ("GLint", "slices"),
      ("GLint", "loops"), ("GLdouble", "start"), ("GLdouble", "sweep")], "Value, Value, Value, Value, Value, Value, Value"),
    ("void", "gluPerspective",
     [("GLdouble", "fovy"), ("GLdouble", "aspect"), ("GLdouble", "zNear"), ("GLdouble", "zFar")],
     "Value, Value, Value, Value"),
    ("void", "gluPickMatrix",
     [("GLdouble", "x"), ("GLdouble", "y"), ("GLdouble", "delX"), ("GLdouble", "delY"),
      ("GLint*", "viewport")], "Value, Value, Value, Value, Array(4)"),
    ("GLint", "gluProject",
     [("GLdouble", "objX"), ("GLdouble", "objY"), ("GLdouble", "objZ"), ("const GLdouble*", "model"),
      ("const GLdouble*", "proj"), ("const GLint*", "view"), ("GLdouble*", "winX"),
      ("GLdouble*", "winY"), ("GLdouble*", "winZ")], "Value, Value, Value, Array(16), Array(16), Array(4), Value, Value, Value"),
    ("void", "gluPwlCurve",
     [("GLUnurbs*", "nurb"), ("GLint", "count"), ("GLfloat*", "data"), ("GLint", "stride"),
      ("GLenum", "type")], "Value, Value, Value, Value, Enum"),
    ("void", "gluQuadricCallback",
     [("GLUquadric*", "quad"), ("GLenum", "which"), ("_GLUfuncptr", "CallBackFunc")], "Value, Enum, Value"),
    ("void", "gluQuadricDrawStyle", [("GLUquadric*", "quad"), ("GLenum", "draw")], "Value, Enum"),
    ("void", "gluQuadricNormals", [("GLUquadric*", "quad"), ("GLenum", "normal")], "Value, Enum"),
    ("void", "gluQuadricOrientation", [("GLUquadric*", "quad"), ("GLenum", "orientation")], "Value, Enum"),
    ("void", "gluQuadricTexture", [("GLUquadric*", "quad"), ("GLboolean", "texture")], "Value, Boolean"),
    ("GLint", "gluScaleImage",
     [("GLenum", "format"), ("GLsizei", "wIn"), ("GLsizei", "hIn"), ("GLenum", "typeIn"),
      ("const void*", "dataIn"), ("GLsizei", "wOut"), ("GLsizei", "hOut"), ("GLenum", "typeOut"),
      ("GLvoid*", "dataOut")], "Enum, Value, Value, Enum, Pixels(0, 3, 1, 2, -1), Value, Value, Enum, Value"),
    ("void", "gluSphere",
     [("GLUquadric*", "quad"), ("GLdouble", "radius"), ("GLint", "slices"), ("GLint", "stacks")],
     "Value, Value, Value, Value"),
    ("void", "gluTessBeginContour", [("GLUtesselator*", "tess")], "Value"),
    ("void", "gluTessBeginPolygon", [("GLUtesselator*", "tess"), ("GLvoid*", "data")], "Value, Value"),
    ("void", "gluTessCallback",
     [("GLUtesselator*", "tess"), ("GLenum", "which"), ("_GLUfuncptr", "CallBackFunc")], "Value, Enum, Value"),
    ("void", "gluTessEndContour", [("GLUtesselator*", "tess")], "Value"),
    ("void", "gluTessEndPolygon", [("GLUtesselator*", "tess")], "Value"),
    ("void", "gluTessNormal",
     [("GLUtesselator*", "tess"), ("GLdouble", "valueX"), ("GLdouble", "valueY"),
      ("GLdouble", "valueZ")], "Value, Value, Value, Value"),
    ("void", "gluTessProperty",
     [("GLUtesselator*", "tess"), ("GLenum", "which"), ("GLdouble", "data")], "Value, Enum, Value"),
    ("void", "gluTessVertex",
     [("GLUtesselator*", "tess"), ("GLdouble*", "location"), ("GLvoid*", "data")], "Value, Array(3), Value"),
    ("GLint", "gluUnProject",
     [("GLdouble", "winX"), ("GLdouble", "winY"), ("GLdouble", "winZ"), ("const GLdouble*", "model"),
      ("const GLdouble*", "proj"), ("const GLint*", "view"), ("GLdouble*", "objX"),
      ("GLdouble*", "objY"), ("GLdouble*", "objZ")], "Value, Value, Value, Array(16), Array(16), Array(4), Value, Value, Value"),
]

# Resolved through the driver's lookup alone, never the GL library's exports.
DRIVER_ONLY_FAMILIES = {"GL_VERSION_2_0", "GL_VERSION_2_1", "GL_VERSION_3_0", "GL_VERSION_3_1",
                        "GL_VERSION_3_2", "GL_VERSION_3_3", "GL_ES_VERSION_3_0"}
DRIVER_ONLY_NAMES = {"wglClampColorARB"}

# Spelled as the C++ types that gl_types.h declares.
TYPE_SPELLING = {"VOID": "void"}

CHAR_TYPES = {"GLchar", "GLcharARB", "char", "CHAR"}


class Param:
    def __init__(self, ctype, name, ptype=None, length=None):
        self.ctype = ctype  # normalized C type, e.g. "const GLfloat*"
        self.name = name
        self.ptype = ptype  # the base type name, e.g. "GLfloat"
        self.length = length  # the registry's len attribute


class Proc:
    def __init__(self, family, ret, name, params, render=None):
        self.family = family
        self.ret = ret
        self.name = name
        self.params = params
        self.render = render  # argument rendering for the recorder; derived when None
        self.lookup = "DriverOnly" if (family in DRIVER_ONLY_FAMILIES or
                                       name in DRIVER_ONLY_NAMES) else "Resolve"


def normalize_type(text):
    """'const GLubyte *' -> 'const GLubyte*'; 'const void *const*' -> 'const void* const*'."""
    text = " ".join(text.split())
    text = re.sub(r"\s*\*\s*", "* ", text).strip()
    words = [TYPE_SPELLING.get(w, w) for w in text.split(" ")]
    return " ".join(words)


def parse_commands(root):
    commands = {}
    for command in root.find("commands"):
        proto = command.find("proto")
        name = proto.find("name").text
        ret = normalize_type("".join(proto.itertext())[: -len(name)])
        params = []
        for p in command.findall("param"):
            pname = p.find("name").text
            whole = "".join(p.itertext())
            ctype = normalize_type(whole[: whole.rfind(pname)])
            ptype = p.find("ptype")
            base = ptype.text if ptype is not None else ctype.replace("const", "").replace(
                "*", "").strip()
            params.append(Param(ctype, pname, TYPE_SPELLING.get(base, base), p.get("len")))
        commands[name] = (ret, params)
    return commands


def required_commands(element):
    names = []
    for require in element.findall("require"):
        for command in require.findall("command"):
            if command.get("name") not in names:
                names.append(command.get("name"))
    return names


def collect_families(gl_root, wgl_root):
    gl_commands = parse_commands(gl_root)
    wgl_commands = parse_commands(wgl_root)
    gl_features = {f.get("name"): f for f in gl_root.findall("feature") if f.get("api") == "gl"}
    es_features = {f.get("name"): f for f in gl_root.findall("feature")
                   if f.get("api") == "gles2"}
    gl_extensions = {e.get("name"): e for e in gl_root.find("extensions")}
    wgl_extensions = {e.get("name"): e for e in wgl_root.find("extensions")}

    families = []  # (family, [Proc]), in output order
    taken = set()

    def add(family, names, commands):
        procs = []
        for name in sorted(names):
            if name in taken or name in LEFT_OUT:
                continue
            taken.add(name)
            ret, params = commands[name]
            procs.append(Proc(family, ret, name, params))
        families.append((family, procs))

    for family, sources, excluded in CORE_FAMILIES:
        names = []
        for source in sources:
            element = gl_features.get(source) or gl_extensions[source]
            names += [n for n in required_commands(element) if n not in excluded]
        add(family, names, gl_commands)

    es_family, es_sources = ES_FAMILY
    add(es_family, [n for source in es_sources for n in required_commands(es_features[source])],
        gl_commands)

    families.append(("GLU", [Proc("GLU", r, n, [Param(t, p) for t, p in ps], render)
                             for r, n, ps, render in GLU_PROCS]))
    taken.update(n for _, n, _, _ in GLU_PROCS)

    def add_extensions(table, extensions, commands):
        for family, suffix, sources in table:
            names = []
            for source in sources.split():
                names += [n for n in required_commands(extensions[source]) if n.endswith(suffix)]
            add(family, names, commands)

    add_extensions(GL_EXTENSION_FAMILIES, gl_extensions, gl_commands)
    add_extensions(WGL_EXTENSION_FAMILIES, wgl_extensions, wgl_commands)
    add_extensions([WGL_CONTEXT_FAMILY], wgl_extensions, wgl_commands)

    for family, ret, name, params, render in HAND_WRITTEN:
        procs = dict(families)[family]
        procs.append(Proc(family, ret, name, [Param(t, p) for t, p in params], render))
        procs.sort(key=lambda proc: proc.name)

    wgl_core = []
    for name in WGL_CORE:
        if name in WGL_CORE_HAND:
            ret, params = WGL_CORE_HAND[name]
            wgl_core.append(Proc("WGL", ret, name, [Param(t, p) for t, p in params]))
        else:
            ret, params = wgl_commands[name]
            wgl_core.append(Proc("WGL", ret, name, params))
    return families, wgl_core, compatibility_only(gl_root)


def compatibility_only(gl_root):
    """The commands that GL 3.2's core profile removed (immediate mode, the matrix stack,
    the texture environment, lighting, client arrays, display lists, ...)."""
    names = set()
    for feature in gl_root.findall("feature"):
        if feature.get("api") != "gl":
            continue
        for remove in feature.findall("remove"):
            if remove.get("profile") == "core":
                names.update(c.get("name") for c in remove.findall("command"))
    return names


# The recorder's argument shapes, as gl_recorder.cpp spells them.
PLAIN_SHAPES = {"GLenum": "Enum", "GLbitfield": "Bitfield", "GLboolean": "Boolean"}
ELEMENT_SHAPES = {"GLenum": "Enum", "GLboolean": "Boolean"}


def array_shape(p, what, times, names):
    """Array(K[, element]) for a constant length, CountedArray(I[, K[, element]]) for a
    length that parameter I gives (times K); None for a length given any other way."""
    element = ELEMENT_SHAPES.get(p.ptype)
    if what.isdigit():
        args = [str(int(what) * int(times or 1))] + ([element] if element else [])
        return "Array(%s)" % ", ".join(args)
    if what in names:
        args = [str(names.index(what))]
        if times or element:
            args.append(times or "1")
        if element:
            args.append(element)
        return "CountedArray(%s)" % ", ".join(args)
    return None


def arg_shapes(proc):
    """How the recorder renders each argument, as a list of shapes (gl_recorder.cpp):
    Value, Enum, Bitfield, Boolean, String (zero-terminated), Array(K[, element]) and
    CountedArray(I[, K[, element]]) for read-only arrays of K elements or of as many as
    parameter I says (times K), and Pixels(F, T, W, H, D) for read-only pixel data sized
    from the format, type, width, height and depth parameters (-1: none).
    """
    if proc.render is not None:
        return proc.render
    names = [p.name for p in proc.params]
    shapes = []
    for p in proc.params:
        pointer = p.ctype.count("*")
        read_only = p.ctype.startswith("const ") and pointer == 1
        shape = "Value"
        if pointer == 0:
            shape = PLAIN_SHAPES.get(p.ptype, "Value")
        elif read_only and p.ptype in CHAR_TYPES and (p.length is None or
                                                      p.length.startswith("COMPSIZE(name")):
            shape = "String"
        elif read_only and p.length:
            length = p.length.replace(" ", "")
            image = re.fullmatch(r"COMPSIZE\(format,type,width(,height(,depth)?)?\)", length)
            count = re.fullmatch(r"(\d+|[A-Za-z_]\w*)(\*(\d+))?", length)
            if image and p.ptype == "void":
                dims = ["format", "type", "width", "height", "depth"]
                shape = "Pixels(%s)" % ", ".join(
                    str(names.index(d)) if d in names else "-1" for d in dims)
            elif count:
                shape = array_shape(p, count.group(1), count.group(3), names) or shape
        shapes.append(shape)
    return ", ".join(shapes)


def declaration(proc):
    if not proc.params:
        return "(void)"
    return "(" + ", ".join("%s %s" % (p.ctype, p.name) for p in proc.params) + ")"


def arguments(proc):
    return "(" + ", ".join(p.name for p in proc.params) + ")"


def generated_header(command_note):
    return [
        "// Generated by tools/gen_gl_procs.py from the Khronos XML API registry",
        "// (/usr/share/khronos-api/gl.xml and wgl.xml, Debian package khronos-api).",
        "// Do not edit: change the generator and run `python3 tools/gen_gl_procs.py`.",
        command_note,
    ]


def write_procs(families):
    lines = generated_header(
        "// One row per slot: GL_PROC(family, lookup, return type, name, (parameters),\n"
        "// (arguments)). lookup is Resolve (driver lookup, then the GL library's export) or\n"
        "// DriverOnly (driver lookup alone). The WGL families exist only in Windows builds.")
    total = 0
    in_windows = False
    for family, procs in families:
        windows = family.startswith("WGL_")
        if windows and not in_windows:
            lines += ["", "#ifdef _WIN32"]
            in_windows = True
        lines += ["", "// %s: %d" % (family, len(procs))]
        for proc in procs:
            lines.append("GL_PROC(%s, %s, %s, %s, %s, %s)" % (
                family, proc.lookup, proc.ret, proc.name, declaration(proc), arguments(proc)))
        total += len(procs)
    if in_windows:
        lines += ["", "#endif  // _WIN32"]
    lines += ["", "// Slots: %d" % total, ""]
    return "\n".join(lines)


def write_wgl_core(procs):
    lines = generated_header(
        "// The WGL slots the loader binds as soon as the GL library is loaded, in its order:\n"
        "// WGL_EAGER_PROC(home, return type, name, (parameters), name looked up). home is\n"
        "// Core for the core slots, which only the loader binds, or Table for a slot of the\n"
        "// entry-point table. Windows builds only.")
    lines.append("")
    for proc in procs:
        lines.append("WGL_EAGER_PROC(%s, %s, %s, %s, %s)" % (
            "Table" if proc.name in WGL_TABLE_SLOTS else "Core", proc.ret, proc.name,
            declaration(proc), WGL_EXPORT_NAMES.get(proc.name, proc.name)))
    lines.append("")
    return "\n".join(lines)


def write_record_args(families):
    lines = generated_header(
        "// How the GL-call recorder renders the arguments of each slot:\n"
        "// GL_RECORD_ARGS(name, (one shape per parameter)). gl_recorder.cpp defines the\n"
        "// shapes.")
    in_windows = False
    for family, procs in families:
        if family.startswith("WGL_") and not in_windows:
            lines += ["", "#ifdef _WIN32"]
            in_windows = True
        lines += ["", "// %s" % family]
        for proc in procs:
            lines.append("GL_RECORD_ARGS(%s, (%s))" % (proc.name, arg_shapes(proc)))
    if in_windows:
        lines += ["", "#endif  // _WIN32"]
    lines.append("")
    return "\n".join(lines)


def write_compat_only(families, removed):
    lines = generated_header(
        "// The slots whose commands GL 3.2's core profile removed, in the table's order:\n"
        "// GL_COMPAT_ONLY(name). A core-profile or ES context offers none of them (nor GLU,\n"
        "// which is built on them).")
    lines.append("")
    for family, procs in families:
        lines += ["GL_COMPAT_ONLY(%s)" % proc.name for proc in procs if proc.name in removed]
    lines.append("")
    return "\n".join(lines)


def generate(registry):
    gl_root = ET.parse(os.path.join(registry, "gl.xml")).getroot()
    wgl_root = ET.parse(os.path.join(registry, "wgl.xml")).getroot()
    families, wgl_core, removed = collect_families(gl_root, wgl_root)
    return {
        "procs": write_procs(families),
        "wgl_core": write_wgl_core(wgl_core),
        "record_args": write_record_args(families),
        "compat_only": write_compat_only(families, removed),
    }, families


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--registry", default=DEFAULT_REGISTRY,
                        help="folder holding gl.xml and wgl.xml (default %(default)s)")
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed lists instead of writing them")
    parser.add_argument("--counts", action="store_true", help="print the slots per family")
    options = parser.parse_args()

    if not all(os.path.isfile(os.path.join(options.registry, f)) for f in ("gl.xml", "wgl.xml")):
        print("no registry in %s" % options.registry, file=sys.stderr)
        return SKIP_CODE if options.check else 1

    texts, families = generate(options.registry)
    if options.counts:
        for family, procs in families:
            print("%-16s %4d" % (family, len(procs)))
        print("%-16s %4d" % ("total", sum(len(p) for _, p in families)))

    if options.check:
        # Written out first, so a failing check leaves the fresh lists to look at.
        fresh_dir = tempfile.mkdtemp(prefix="gl_procs_")
        different = False
        for key, path in OUTPUTS.items():
            fresh_path = os.path.join(fresh_dir, os.path.basename(path))
            with open(fresh_path, "w", encoding="utf-8") as f:
                f.write(texts[key])
            committed_path = os.path.join(ROOT, path)
            committed = ""
            if os.path.exists(committed_path):
                with open(committed_path, encoding="utf-8") as f:
                    committed = f.read()
            if committed != texts[key]:
                different = True
                diff = difflib.unified_diff(committed.splitlines(), texts[key].splitlines(),
                                            path, fresh_path, lineterm="", n=1)
                print("\n".join(list(diff)[:60]))
        if different:
            print("the committed lists differ from the registry's (fresh ones in %s); "
                  "regenerate them" % fresh_dir, file=sys.stderr)
            return 1
        shutil.rmtree(fresh_dir)
        print("the committed lists match the registry")
        return 0

    for key, path in OUTPUTS.items():
        full = os.path.join(ROOT, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(texts[key])
    return 0


if __name__ == "__main__":
    sys.exit(main())
