// The operations this program needs from a window system, as one table of function
// pointers. A backend (src/platform/sdl, src/platform/win32) fills the table at start;
// tests fill it with fakes to make any step fail or to record message boxes. The
// operations keep the shape of the Win32 calls they stand for: handles are opaque
// pointers, window messages carry Win32 message numbers and virtual-key codes, under
// their Win32 names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Win32's names for the window messages, mouse-message flags, message-box flags, display-mode
// switch results, virtual-key codes and pixel-format flags the program uses: type, name, Win32
// value.
#define PLATFORM_WIN32_CONSTANTS(X)          \
  X(std::uint32_t, WM_DESTROY, 0x0002)       \
  X(std::uint32_t, WM_CLOSE, 0x0010)         \
  X(std::uint32_t, WM_QUIT, 0x0012)          \
  X(std::uint32_t, WM_KEYDOWN, 0x0100)       \
  X(std::uint32_t, WM_KEYUP, 0x0101)         \
  X(std::uint32_t, WM_CHAR, 0x0102)          \
  X(std::uint32_t, WM_SYSKEYDOWN, 0x0104)    \
  X(std::uint32_t, WM_SYSKEYUP, 0x0105)      \
  X(std::uint32_t, WM_MOUSEMOVE, 0x0200)     \
  X(std::uint32_t, WM_LBUTTONDOWN, 0x0201)   \
  X(std::uint32_t, WM_LBUTTONUP, 0x0202)     \
  X(std::uint32_t, WM_RBUTTONDOWN, 0x0204)   \
  X(std::uint32_t, WM_RBUTTONUP, 0x0205)     \
  X(std::uint32_t, WM_MOUSEWHEEL, 0x020A)    \
  X(std::uint32_t, WM_DROPFILES, 0x0233)     \
  X(std::uint32_t, MK_LBUTTON, 0x0001)       \
  X(std::uint32_t, MK_RBUTTON, 0x0002)       \
  X(std::uint32_t, MK_CONTROL, 0x0008)       \
  X(std::int32_t, WHEEL_DELTA, 120)          \
  X(std::uint32_t, MB_OK, 0x00000000)        \
  X(std::uint32_t, MB_ICONERROR, 0x00000010) \
  X(std::int32_t, DISP_CHANGE_SUCCESSFUL, 0) \
  X(std::int32_t, DISP_CHANGE_FAILED, -1)    \
  X(std::int32_t, DISP_CHANGE_BADMODE, -2)   \
  X(std::uint8_t, VK_BACK, 0x08)             \
  X(std::uint8_t, VK_TAB, 0x09)              \
  X(std::uint8_t, VK_RETURN, 0x0D)           \
  X(std::uint8_t, VK_SHIFT, 0x10)            \
  X(std::uint8_t, VK_CONTROL, 0x11)          \
  X(std::uint8_t, VK_MENU, 0x12)             \
  X(std::uint8_t, VK_ESCAPE, 0x1B)           \
  X(std::uint8_t, VK_SPACE, 0x20)            \
  X(std::uint8_t, VK_LEFT, 0x25)             \
  X(std::uint8_t, VK_UP, 0x26)               \
  X(std::uint8_t, VK_RIGHT, 0x27)            \
  X(std::uint8_t, VK_DOWN, 0x28)             \
  X(std::uint8_t, VK_F1, 0x70)               \
  X(std::uint8_t, VK_F4, 0x73)               \
  X(std::uint8_t, VK_F10, 0x79)              \
  X(std::uint8_t, VK_F12, 0x7B)              \
  X(std::uint32_t, PFD_DOUBLEBUFFER, 0x01)   \
  X(std::uint32_t, PFD_DRAW_TO_WINDOW, 0x04) \
  X(std::uint32_t, PFD_SUPPORT_OPENGL, 0x20)

// A file that includes windows.h (the Win32 backend's) has them from there, as macros;
// every other file has them from here. windows.h may come before or after this header:
// after it, its macros take the names over with the same values (the Win32 backend checks
// every value with a static_assert); before it, the definitions here are left out.
#ifndef WM_DESTROY
#define PLATFORM_DEFINE_CONSTANT(type, name, value) constexpr type name = value;
PLATFORM_WIN32_CONSTANTS(PLATFORM_DEFINE_CONSTANT)
#undef PLATFORM_DEFINE_CONSTANT
#endif

typedef void* PlatformHandle;

// An open file: the system's descriptor or handle as an integer; NoFile for none.
typedef std::intptr_t PlatformFile;
constexpr PlatformFile NoFile = -1;

// What a system error code of a failed file operation means, in the terms the program
// reports it in.
enum class FileErrorKind {
  NotFound,
  InvalidName,
  TooManyOpenFiles,
  AccessDenied,
  DiskFull,
  Other,
};

// What a path names, if anything.
enum class PathKind { Missing, File, Directory, Other };

struct PlatformMessage {
  PlatformHandle window;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

typedef std::intptr_t (*WindowProcFn)(PlatformHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam);

// What the program asks of the pixel format (the fields of a PIXELFORMATDESCRIPTOR that
// it sets; every other field is 0).
struct PixelFormatRequest {
  std::uint16_t size;
  std::uint16_t version;
  std::uint32_t flags;
  std::uint8_t pixelType;
  std::uint8_t colorBits;
  std::uint8_t depthBits;
  std::uint8_t stencilBits;
  std::uint8_t layerType;
};

// What the program asks of a full-screen display mode (the fields of a DEVMODEA that it
// sets).
struct DisplayModeRequest {
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t bitsPerPel;
  std::uint32_t fields;
};

struct PlatformOps {
  // Shared libraries: a null handle for a failed load, a null address for a missing
  // name, and nothing found by a lookup on a null handle.
  PlatformHandle (*LoadSharedLibrary)(const char* name);
  void* (*FindExport)(PlatformHandle library, const char* name);
  void (*FreeSharedLibrary)(PlatformHandle library);

  // The high-resolution counter.
  std::int64_t (*CounterFrequency)();
  std::int64_t (*CounterValue)();

  // Files, by paths in the host's own form (see NativePath).
  // Reading: a regular file opened for reading, other readers allowed and writers not; a
  // directory or device is not opened (NoFile). A read returns fewer bytes than asked only
  // at the end of the file or on an error. The size is 0 when it cannot be found.
  PlatformFile (*OpenFileForReading)(const char* path);
  std::uint64_t (*FileSize)(PlatformFile file);
  std::size_t (*ReadFromFile)(PlatformFile file, void* buffer, std::size_t count);
  // Writing, other readers allowed: a file created, or cut to length 0 if it exists; an
  // existing file opened for reading and writing with every write at its end; all of the
  // bytes written. A failed call returns NoFile or false and stores the system's error
  // code in *error (which CloseFile alone accepts as null).
  PlatformFile (*CreateFileForWriting)(const char* path, int* error);
  PlatformFile (*OpenFileForAppending)(const char* path, int* error);
  bool (*WriteToFile)(PlatformFile file, const void* bytes, std::size_t count, int* error);
  bool (*CloseFile)(PlatformFile file, int* error);
  // What path names (links followed); whether two paths name one existing file however
  // they are spelled (links, "./", ".."); a path made absolute with links resolved where
  // the system can, or "" when it cannot.
  PathKind (*KindOfPath)(const char* path);
  bool (*SameFile)(const char* a, const char* b);
  std::string (*FullPath)(const char* path);
  // A directory made, or true when one of that name is there already.
  bool (*MakeDirectory)(const char* path, int* error);
  // What an error code from the calls above means for the file at path.
  FileErrorKind (*ClassifyFileError)(int error, const char* path);
  // The running executable's file name, without its directory.
  std::string (*ExecutableName)();
  // The running executable's full path; "" when the system does not tell.
  std::string (*ExecutablePath)();

  // Memory: a block about to be filled, large enough (megabytes) that the system may back
  // it with large pages, which it maps in far fewer faults. Null where there is nothing to
  // ask (the block is used as it is either way).
  void (*AdviseLargeBlock)(void* start, std::size_t bytes);

  // A modal message box with no owner; returns when it has been acknowledged.
  void (*ShowMessageBox)(const char* text, const char* caption, std::uint32_t type);

  // Window class, display mode and cursor.
  PlatformHandle (*ModuleHandle)();
  bool (*RegisterWindowClass)(const char* className, WindowProcFn proc, PlatformHandle module);
  bool (*UnregisterWindowClass)(const char* className, PlatformHandle module);
  std::int32_t (*SwitchDisplayMode)(const DisplayModeRequest* mode);
  void (*RestoreDisplayMode)();
  void (*ShowPointer)(bool show);

  // The window, its device context and the GL context.
  PlatformHandle (*OpenWindow)(const char* className, const char* title, bool fullscreen, int width,
                               int height, PlatformHandle module);
  PlatformHandle (*GetDeviceContext)(PlatformHandle window);
  int (*ChoosePixelFormat)(PlatformHandle dc, const PixelFormatRequest* request);
  bool (*SetPixelFormat)(PlatformHandle dc, int format, const PixelFormatRequest* request);
  PlatformHandle (*CreateGLContext)(PlatformHandle dc);
  bool (*MakeGLContextCurrent)(PlatformHandle dc, PlatformHandle context);
  bool (*DeleteGLContext)(PlatformHandle context);
  void (*ShowAppWindow)(PlatformHandle window);
  void (*SetForegroundWindow)(PlatformHandle window);
  void (*SetFocus)(PlatformHandle window);
  void (*SetSwapInterval)(int interval);
  int (*ReleaseDeviceContext)(PlatformHandle window, PlatformHandle dc);
  bool (*DestroyAppWindow)(PlatformHandle window);
  void (*SwapGLBuffers)(PlatformHandle dc);
  // The window system's own words for its latest failure; "" when it has none.
  std::string (*WindowSystemError)();

  // Messages. WM_DROPFILES carries a drop in wParam: DroppedFileName gives its first file
  // (a path in the host's form) and lets go of the drop.
  bool (*PeekAppMessage)(PlatformMessage* message);
  void (*DispatchAppMessage)(const PlatformMessage* message);
  void (*TranslateAppMessage)(const PlatformMessage* message);
  void (*PostQuit)(int exitCode);
  std::string (*DroppedFileName)(std::uintptr_t drop);
  std::intptr_t (*DefaultWindowProc)(PlatformHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam);

  // The main loop: pass until it returns false, then finish, whose result is the exit
  // code. A desktop backend loops in place (RunBlockingLoop) and returns it; a browser
  // runs one pass per animation frame and ends the program with it instead of returning.
  int (*RunMainLoop)(bool (*pass)(), int (*finish)());
};

// The main loop of a backend that may block: pass until false, then finish's result.
int RunBlockingLoop(bool (*pass)(), int (*finish)());

// The table in force. A backend's install function fills it.
extern PlatformOps Platform;

// A block of at least LargeBlock bytes about to be filled: Platform.AdviseLargeBlock on it,
// when the backend has one; a smaller block as it is.
constexpr std::size_t LargeBlock = 8u << 20;
inline void AdviseIfLarge(void* start, std::size_t bytes) {
  if (bytes >= LargeBlock && Platform.AdviseLargeBlock) Platform.AdviseLargeBlock(start, bytes);
}

// A path written with backslash separators, as this program's built-in paths are, in the
// host's own form.
std::string NativePath(const char* path);
