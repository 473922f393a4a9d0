// The GL-call recorder: one recording function, one no-op and one expectation builder per
// slot, expanded from the generated list, and the rendering of arguments described in
// gl_recorder.h. How each slot's arguments render comes from gl_record_args.inc, which
// spells them with the shapes defined below.
#include "gl/recorder/gl_recorder.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "gl/gl_types.h"

namespace {

enum ProcIndex : std::size_t {
#define GL_PROC(family, lookup, ret, name, params, args) Index_##name,
#include "gl/gl_procs.inc"
#undef GL_PROC
  ProcCount
};

// What an argument's C++ type says about it: the value, and for a pointer what it
// points at.
enum class Element { Opaque, I8, U8, I16, U16, I32, U32, I64, U64, F32, F64, Char, Pointer };

struct ArgValue {
  enum Kind { Signed, Unsigned, Real, Address } kind;
  std::int64_t integer;
  std::uint64_t unsignedInteger;
  double real;
  bool single;  // a float rather than a double
  const void* pointer;
  Element element;
};

struct ResultValue {
  bool set;
  std::int64_t integer;
  double real;
  const void* pointer;
};

// How one argument renders: a plain value, an enum or bitfield in hex, a boolean, a
// zero-terminated string, a read-only array, or read-only pixel data.
enum class Render : std::uint8_t { Value, Enum, Bitfield, Boolean, String, Array, Pixels };

struct ArgShape {
  Render render;
  Render element;   // an array's elements: Value, Enum or Boolean
  int lengthParam;  // an array's length is this parameter's value, or -1
  int length;       // an array's fixed length, or the factor on lengthParam's value
  int image[5];     // pixel data: the format, type, width, height, depth parameter, or -1
};

// The shapes gl_record_args.inc is written in.
constexpr ArgShape Value = {Render::Value, Render::Value, -1, 0, {}};
constexpr ArgShape Enum = {Render::Enum, Render::Value, -1, 0, {}};
constexpr ArgShape Bitfield = {Render::Bitfield, Render::Value, -1, 0, {}};
constexpr ArgShape Boolean = {Render::Boolean, Render::Value, -1, 0, {}};
constexpr ArgShape String = {Render::String, Render::Value, -1, 0, {}};
// length elements, each rendered as element says.
constexpr ArgShape Array(int length, ArgShape element = Value) {
  return {Render::Array, element.render, -1, length, {}};
}
// As many elements as parameter param says, times factor.
constexpr ArgShape CountedArray(int param, int factor = 1, ArgShape element = Value) {
  return {Render::Array, element.render, param, factor, {}};
}
// Sized from the format, type, width, height and depth parameters (-1: none).
constexpr ArgShape Pixels(int format, int type, int width, int height, int depth) {
  return {Render::Pixels, Render::Value, -1, 0, {format, type, width, height, depth}};
}

template <typename... S>
constexpr std::array<ArgShape, sizeof...(S)> Shapes(S... shapes) {
  return {{shapes...}};
}

#define GL_RECORD_ARGS(name, shapes) constexpr auto Shapes_##name = Shapes shapes;
#include "gl/recorder/gl_record_args.inc"
#undef GL_RECORD_ARGS

template <typename Function>
struct ParameterCount;
template <typename R, typename... P>
struct ParameterCount<R(P...)> {
  static constexpr std::size_t value = sizeof...(P);
};

#define GL_PROC(family, lookup, ret, name, params, args)                   \
  static_assert(Shapes_##name.size() == ParameterCount<ret params>::value, \
                "one argument shape per parameter of " #name);
#include "gl/gl_procs.inc"
#undef GL_PROC

const ArgShape* const ArgShapes[ProcCount] = {
#define GL_PROC(family, lookup, ret, name, params, args) Shapes_##name.data(),
#include "gl/gl_procs.inc"
#undef GL_PROC
};

// Recorder state.
GLCallList Calls;
bool Forwarding = false;
bool Routed[ProcCount] = {};
void* Saved[ProcCount] = {};
std::deque<GLenum> ErrorQueue;
bool NewObjectsNull = false;
ResultValue Results[ProcCount] = {};
std::uint64_t NextName[ProcCount] = {};
GLint UnpackAlignment = 4;

const char* const ProcNames[ProcCount] = {
#define GL_PROC(family, lookup, ret, name, params, args) #name,
#include "gl/gl_procs.inc"
#undef GL_PROC
};

// The dummy objects that the gluNew* functions hand out.
char DummyQuadric, DummyTess, DummyNurbs;

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "GL recorder: %s\n", text.c_str());
  std::abort();
}

template <typename P>
constexpr Element ElementOf() {
  if constexpr (std::is_pointer_v<P>) {
    return Element::Pointer;
  } else if constexpr (std::is_same_v<P, char>) {
    return Element::Char;
  } else if constexpr (std::is_floating_point_v<P>) {
    return sizeof(P) == 4 ? Element::F32 : Element::F64;
  } else if constexpr (std::is_integral_v<P>) {
    constexpr bool s = std::is_signed_v<P>;
    switch (sizeof(P)) {
      case 1:
        return s ? Element::I8 : Element::U8;
      case 2:
        return s ? Element::I16 : Element::U16;
      case 4:
        return s ? Element::I32 : Element::U32;
      default:
        return s ? Element::I64 : Element::U64;
    }
  } else {
    return Element::Opaque;  // void, or an incomplete structure
  }
}

template <typename T>
ArgValue ToArg(T value) {
  ArgValue arg = {ArgValue::Signed, 0, 0, 0, false, nullptr, Element::Opaque};
  if constexpr (std::is_pointer_v<T>) {
    using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
    arg.kind = ArgValue::Address;
    if constexpr (std::is_function_v<Pointee>) {
      arg.pointer = reinterpret_cast<const void*>(value);
    } else {
      arg.pointer = static_cast<const void*>(value);
      arg.element = ElementOf<Pointee>();
    }
  } else if constexpr (std::is_floating_point_v<T>) {
    arg.kind = ArgValue::Real;
    arg.real = value;
    arg.single = sizeof(T) == sizeof(float);
  } else if constexpr (std::is_signed_v<T>) {
    arg.integer = static_cast<std::int64_t>(value);
    arg.unsignedInteger = static_cast<std::uint64_t>(arg.integer);
  } else {
    arg.kind = ArgValue::Unsigned;
    arg.unsignedInteger = static_cast<std::uint64_t>(value);
    arg.integer = static_cast<std::int64_t>(arg.unsignedInteger);
  }
  return arg;
}

template <typename... T>
std::vector<ArgValue> MakeArgs(T... values) {
  return {ToArg(values)...};
}

std::string Shortest(double value, bool single) {
  char buffer[64];
  const std::to_chars_result end =
      single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value))
             : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end.ptr);
}

std::string Hex(std::uint64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%04llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::string BooleanText(std::uint64_t value) {
  if (value == 0) return "GL_FALSE";
  if (value == 1) return "GL_TRUE";
  return std::to_string(value);
}

std::string Plain(const ArgValue& arg) {
  switch (arg.kind) {
    case ArgValue::Signed:
      return std::to_string(arg.integer);
    case ArgValue::Unsigned:
      return std::to_string(arg.unsignedInteger);
    case ArgValue::Real:
      return Shortest(arg.real, arg.single);
    case ArgValue::Address:
      return arg.pointer ? "ptr" : "null";
  }
  return "?";
}

template <typename T>
T Read(const void* base, std::size_t index) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(base) + index * sizeof(T), sizeof(T));
  return value;
}

std::string RenderElement(const void* base, std::size_t i, Element element, Render render) {
  std::uint64_t u = 0;
  switch (element) {
    case Element::I8:
      u = static_cast<std::uint64_t>(Read<std::int8_t>(base, i));
      break;
    case Element::U8:
      u = Read<std::uint8_t>(base, i);
      break;
    case Element::Char:
      u = static_cast<unsigned char>(Read<char>(base, i));
      break;
    case Element::I16:
      u = static_cast<std::uint64_t>(Read<std::int16_t>(base, i));
      break;
    case Element::U16:
      u = Read<std::uint16_t>(base, i);
      break;
    case Element::I32:
      u = static_cast<std::uint64_t>(Read<std::int32_t>(base, i));
      break;
    case Element::U32:
      u = Read<std::uint32_t>(base, i);
      break;
    case Element::I64:
      u = static_cast<std::uint64_t>(Read<std::int64_t>(base, i));
      break;
    case Element::U64:
      u = Read<std::uint64_t>(base, i);
      break;
    case Element::F32:
      return Shortest(Read<float>(base, i), true);
    case Element::F64:
      return Shortest(Read<double>(base, i), false);
    case Element::Pointer:
      return Read<const void*>(base, i) ? "ptr" : "null";
    case Element::Opaque:
      return "?";
  }
  if (render == Render::Enum) return Hex(u & 0xFFFFFFFFu);
  if (render == Render::Boolean) return BooleanText(u);
  const bool isSigned = element == Element::I8 || element == Element::I16 ||
                        element == Element::I32 || element == Element::I64;
  return isSigned ? std::to_string(static_cast<std::int64_t>(u)) : std::to_string(u);
}

std::string Bytes(const void* base, std::size_t size, GLCall* call) {
  const unsigned char* bytes = static_cast<const unsigned char*>(base);
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  if (call->data.empty()) {
    call->data.assign(bytes, bytes + size);
    call->dataAddress = base;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "{%zu bytes #%08x}", size, hash);
  return buffer;
}

// Bytes a pixel rectangle of this format and type occupies in client memory under the
// recorded unpack alignment, or -1 when the recorder does not know the format or type.
long long ImageBytes(std::uint64_t format, std::uint64_t type, long long width, long long height,
                     long long depth) {
  int components = 0;
  switch (format) {
    case 0x1900:
    case 0x1901:
    case 0x1902:
    case 0x1903:
    case 0x1904:
    case 0x1905:
    case 0x1906:
    case 0x1909:
      components = 1;
      break;  // index, depth, one channel
    case 0x190A:
    case 0x8227:
      components = 2;
      break;  // luminance-alpha, RG
    case 0x1907:
    case 0x80E0:
      components = 3;
      break;  // RGB, BGR
    case 0x1908:
    case 0x80E1:
    case 0x8000:
    case 0x800C:
      components = 4;
      break;
    default:
      return -1;
  }
  long long elementSize = 0, pixelSize = 0;
  switch (type) {
    case 0x1400:
    case 0x1401:
      elementSize = 1;
      break;
    case 0x1402:
    case 0x1403:
    case 0x140B:
      elementSize = 2;
      break;
    case 0x1404:
    case 0x1405:
    case 0x1406:
      elementSize = 4;
      break;
    case 0x8032:
    case 0x8362:
      elementSize = pixelSize = 1;
      break;  // packed bytes
    case 0x8033:
    case 0x8034:
    case 0x8363:
    case 0x8364:
    case 0x8365:
    case 0x8366:
      elementSize = pixelSize = 2;
      break;
    case 0x8035:
    case 0x8036:
    case 0x8367:
    case 0x8368:
      elementSize = pixelSize = 4;
      break;
    default:
      return -1;
  }
  if (pixelSize == 0) pixelSize = elementSize * components;
  if (width <= 0 || height <= 0 || depth <= 0) return 0;
  const long long row = width * pixelSize;
  const long long alignment = UnpackAlignment > 0 ? UnpackAlignment : 1;
  const long long stride =
      elementSize >= alignment ? row : (row + alignment - 1) / alignment * alignment;
  // The last row needs no padding: nothing past it is read.
  return stride * (height * depth - 1) + row;
}

std::string RenderArg(const ArgShape& shape, const ArgValue& arg, const std::vector<ArgValue>& args,
                      GLCall* call) {
  switch (shape.render) {
    case Render::Enum:
    case Render::Bitfield:
      return Hex(arg.unsignedInteger & 0xFFFFFFFFu);
    case Render::Boolean:
      return BooleanText(arg.unsignedInteger);
    case Render::String:
      if (!arg.pointer) return "null";
      return "\"" + std::string(static_cast<const char*>(arg.pointer)) + "\"";
    case Render::Array: {
      if (!arg.pointer) return "null";
      long long count = shape.length;
      if (shape.lengthParam >= 0) count = args[shape.lengthParam].integer * shape.length;
      if (count < 0 || count > (1 << 20)) return "ptr";
      if (arg.element == Element::Opaque)
        return Bytes(arg.pointer, static_cast<std::size_t>(count), call);
      std::string text = "{";
      for (long long i = 0; i < count; ++i) {
        if (i) text += ", ";
        text += RenderElement(arg.pointer, static_cast<std::size_t>(i), arg.element, shape.element);
      }
      return text + "}";
    }
    case Render::Pixels: {
      if (!arg.pointer) return "null";
      auto at = [&](int i, long long otherwise) { return i >= 0 ? args[i].integer : otherwise; };
      const long long size =
          ImageBytes(args[shape.image[0]].unsignedInteger, args[shape.image[1]].unsignedInteger,
                     at(shape.image[2], 1), at(shape.image[3], 1), at(shape.image[4], 1));
      if (size < 0) return "ptr";
      return Bytes(arg.pointer, static_cast<std::size_t>(size), call);
    }
    case Render::Value:
      break;
  }
  return Plain(arg);
}

GLCall MakeCall(std::size_t index, const std::vector<ArgValue>& args) {
  GLCall call;
  call.name = ProcNames[index];
  for (std::size_t i = 0; i < args.size(); ++i)
    call.args.push_back(RenderArg(ArgShapes[index][i], args[i], args, &call));
  return call;
}

bool NameIs(std::size_t index, const char* name) {
  return std::strcmp(ProcNames[index], name) == 0;
}

// State the recorder follows from the calls themselves.
void Track(std::size_t index, const std::vector<ArgValue>& args) {
  const bool pixelStore = NameIs(index, "glPixelStorei") || NameIs(index, "glPixelStoref");
  if (pixelStore && args[0].unsignedInteger == GL_UNPACK_ALIGNMENT)
    UnpackAlignment =
        static_cast<GLint>(args[1].kind == ArgValue::Real ? args[1].real : args[1].integer);
}

const char* ErrorText(std::uint64_t code) {
  // GLU's own texts, so that logs read as they do with the real library.
  switch (code) {
    case 0x0000:
      return "no error";
    case 0x0500:
      return "invalid enumerant";
    case 0x0501:
      return "invalid value";
    case 0x0502:
      return "invalid operation";
    case 0x0503:
      return "stack overflow";
    case 0x0504:
      return "stack underflow";
    case 0x0505:
      return "out of memory";
    case 0x8031:
      return "table too large";
    case 0x0506:
      return "invalid framebuffer operation";
    case 100900:
      return "invalid enumerant";
    case 100901:
      return "invalid value";
    case 100902:
      return "out of memory";
    case 100903:
      return "incompatible gl version";
    case 100904:
      return "invalid operation";
    default:
      return nullptr;
  }
}

const char* GLStringText(std::uint64_t name) {
  switch (name) {
    case GL_VENDOR:
      return "GL recorder";
    case GL_RENDERER:
      return "GL recorder";
    case GL_VERSION:
      return "1.3 GL recorder";
    case GL_EXTENSIONS:
      return "GL_ARB_multitexture GL_ARB_texture_cube_map GL_ARB_texture_env_combine "
             "GL_ARB_texture_env_dot3 GL_EXT_texture_edge_clamp";
    default:
      return nullptr;
  }
}

// The recorder's own answer to a call, and the side effects that go with it.
ResultValue Answer(std::size_t index, const std::vector<ArgValue>& args) {
  if (Results[index].set) return Results[index];
  ResultValue result = {true, 0, 0, nullptr};
  const char* name = ProcNames[index];
  if (NameIs(index, "glGetError")) {
    if (!ErrorQueue.empty()) {
      result.integer = ErrorQueue.front();
      ErrorQueue.pop_front();
    }
  } else if (NameIs(index, "gluErrorString")) {
    result.pointer = ErrorText(args[0].unsignedInteger);
  } else if (NameIs(index, "glGetString")) {
    result.pointer = GLStringText(args[0].unsignedInteger);
  } else if (NameIs(index, "gluGetString")) {
    result.pointer = args[0].unsignedInteger == 100800 ? "1.3" : "";
  } else if (NameIs(index, "gluNewQuadric")) {
    result.pointer = NewObjectsNull ? nullptr : &DummyQuadric;
  } else if (NameIs(index, "gluNewTess")) {
    result.pointer = NewObjectsNull ? nullptr : &DummyTess;
  } else if (NameIs(index, "gluNewNurbsRenderer")) {
    result.pointer = NewObjectsNull ? nullptr : &DummyNurbs;
  } else if (std::strncmp(name, "glGen", 5) == 0 && args.size() == 2 &&
             args[1].kind == ArgValue::Address && args[1].element == Element::U32 &&
             args[1].pointer) {
    // (count, names): one new name per element.
    GLuint* names = static_cast<GLuint*>(const_cast<void*>(args[1].pointer));
    for (std::int64_t i = 0; i < args[0].integer; ++i)
      names[i] = static_cast<GLuint>(++NextName[index]);
  } else if (std::strncmp(name, "glGen", 5) == 0 && args.size() == 1) {
    // (range): the base of a run of new names.
    result.integer = static_cast<std::int64_t>(NextName[index] + 1);
    NextName[index] += static_cast<std::uint64_t>(args[0].integer);
  }
  return result;
}

template <typename R>
R Convert(const ResultValue& value) {
  if constexpr (std::is_pointer_v<R>) {
    return reinterpret_cast<R>(const_cast<void*>(value.pointer));
  } else if constexpr (std::is_floating_point_v<R>) {
    return static_cast<R>(value.real);
  } else {
    return static_cast<R>(value.integer);
  }
}

template <typename R>
R Result(std::size_t index, const std::vector<ArgValue>& args) {
  [[maybe_unused]] const ResultValue value = Answer(index, args);
  if constexpr (!std::is_void_v<R>) return Convert<R>(value);
}

void* RecordingFunction(std::size_t index);

// Calls what the slot held before. A stub there binds the slot to the driver; the
// driver's address then becomes the saved holder and the slot records again.
template <typename R, typename Call>
R Forward(std::size_t index, Call call) {
  std::size_t count = 0;
  void** slot = EntryPoints(&count)[index].slot;
  auto rebind = [&] {
    if (*slot != RecordingFunction(index)) {
      Saved[index] = *slot;
      *slot = RecordingFunction(index);
    }
  };
  if constexpr (std::is_void_v<R>) {
    call();
    rebind();
  } else {
    R result = call();
    rebind();
    return result;
  }
}

void Log(std::size_t index, const std::vector<ArgValue>& args) {
  Calls.push_back(MakeCall(index, args));
  Track(index, args);
}

}  // namespace

// One recording function per slot.
#define GL_PROC(family, lookup, ret, name, params, args)                                      \
  static ret GLAPIENTRY Record_##name params {                                                \
    const std::vector<ArgValue> RecorderArgs = MakeArgs args;                                 \
    Log(Index_##name, RecorderArgs);                                                          \
    if (Forwarding)                                                                           \
      return Forward<ret>(Index_##name, [&]() {                                               \
        return reinterpret_cast<decltype(GLEntryPointTable::name)>(Saved[Index_##name]) args; \
      });                                                                                     \
    return Result<ret>(Index_##name, RecorderArgs);                                           \
  }
#include "gl/gl_procs.inc"
#undef GL_PROC

namespace {

void* const RecordingFunctions[ProcCount] = {
#define GL_PROC(family, lookup, ret, name, params, args) reinterpret_cast<void*>(&Record_##name),
#include "gl/gl_procs.inc"
#undef GL_PROC
};

void* RecordingFunction(std::size_t index) {
  return RecordingFunctions[index];
}

template <typename R>
R Zero() {
  if constexpr (!std::is_void_v<R>) return R{};
}

template <typename... T>
void Unused(const T&...) {}

}  // namespace

// One no-op per slot: it logs nothing and returns 0 or null, so that a caller's own work
// can be measured with nothing else in the way.
#define GL_PROC(family, lookup, ret, name, params, args) \
  static ret GLAPIENTRY Discard_##name params {          \
    Unused args;                                         \
    return Zero<ret>();                                  \
  }
#include "gl/gl_procs.inc"
#undef GL_PROC

namespace {

void* const DiscardingFunctions[ProcCount] = {
#define GL_PROC(family, lookup, ret, name, params, args) reinterpret_cast<void*>(&Discard_##name),
#include "gl/gl_procs.inc"
#undef GL_PROC
};

void ResetRecorder() {
  Calls.clear();
  Forwarding = false;
  ErrorQueue.clear();
  NewObjectsNull = false;
  for (ResultValue& result : Results) result = ResultValue{false, 0, 0, nullptr};
  for (std::uint64_t& next : NextName) next = 0;
  UnpackAlignment = 4;
}

bool AnyRouted() {
  for (bool routed : Routed)
    if (routed) return true;
  return false;
}

void Route(std::size_t index, void* const* functions = RecordingFunctions) {
  if (Routed[index]) return;
  std::size_t count = 0;
  void** slot = EntryPoints(&count)[index].slot;
  Saved[index] = *slot;
  *slot = functions[index];
  Routed[index] = true;
}

std::size_t IndexOf(const char* name) {
  for (std::size_t i = 0; i < ProcCount; ++i)
    if (std::strcmp(ProcNames[i], name) == 0) return i;
  Fail(std::string("the table has no entry point named ") + name);
}

}  // namespace

namespace Expected {
#define GL_PROC(family, lookup, ret, name, params, args) \
  GLCall name params {                                   \
    return MakeCall(Index_##name, MakeArgs args);        \
  }
#include "gl/gl_procs.inc"
#undef GL_PROC
}  // namespace Expected

bool operator==(const GLCall& a, const GLCall& b) {
  return a.name == b.name && a.args == b.args;
}
bool operator!=(const GLCall& a, const GLCall& b) {
  return !(a == b);
}

std::string GLCallText(const GLCall& call) {
  std::string text = call.name + "(";
  for (std::size_t i = 0; i < call.args.size(); ++i) {
    if (i) text += ", ";
    text += call.args[i];
  }
  return text + ")";
}

std::string GLCallsText(const GLCallList& calls) {
  std::string text;
  for (const GLCall& call : calls) text += GLCallText(call) + "\n";
  return text;
}

std::ostream& operator<<(std::ostream& out, const GLCall& call) {
  return out << GLCallText(call);
}

void RecordGLCalls() {
  if (!AnyRouted()) ResetRecorder();
  for (std::size_t i = 0; i < ProcCount; ++i) Route(i);
}

void RecordGLCalls(const std::vector<std::string>& names) {
  std::vector<std::size_t> indices;
  for (const std::string& name : names) indices.push_back(IndexOf(name.c_str()));
  if (!AnyRouted()) ResetRecorder();
  for (std::size_t index : indices) Route(index);
}

void RecordGLCalls(std::initializer_list<const char*> names) {
  RecordGLCalls(std::vector<std::string>(names.begin(), names.end()));
}

void DiscardGLCalls() {
  if (!AnyRouted()) ResetRecorder();
  for (std::size_t i = 0; i < ProcCount; ++i) Route(i, DiscardingFunctions);
}

void StopRecordingGLCalls() {
  std::size_t count = 0;
  const EntryPointInfo* entries = EntryPoints(&count);
  for (std::size_t i = 0; i < ProcCount; ++i) {
    if (!Routed[i]) continue;
    *entries[i].slot = Saved[i];
    Saved[i] = nullptr;
    Routed[i] = false;
  }
  ResetRecorder();
}

void ForwardRecordedGLCalls(bool forward) {
  Forwarding = forward;
}

const GLCallList& RecordedGLCalls() {
  return Calls;
}

std::vector<std::string> RecordedGLCallNames() {
  std::vector<std::string> names;
  for (const GLCall& call : Calls) names.push_back(call.name);
  return names;
}

GLCallList TakeRecordedGLCalls() {
  GLCallList taken;
  taken.swap(Calls);
  return taken;
}

void ClearRecordedGLCalls() {
  Calls.clear();
}

void QueueGLErrors(std::initializer_list<GLenum> codes) {
  ErrorQueue.insert(ErrorQueue.end(), codes.begin(), codes.end());
}

void SetGLNewObjectsNull(bool null) {
  NewObjectsNull = null;
}

void SetGLNextName(const char* name, std::uint64_t next) {
  NextName[IndexOf(name)] = next - 1;
}

void SetGLResultValue(const char* name, std::int64_t integer, double real, const void* pointer) {
  Results[IndexOf(name)] = ResultValue{true, integer, real, pointer};
}
