// The SDL backend's translation of keys and events into window messages.
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/sdl/keymap.h"
#include "platform/sdl/platform_sdl.h"

namespace {

int WindowToken;
PlatformHandle const Window = &WindowToken;

SDL_Event Key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
  SDL_Event event = {};
  event.type = type;
  event.key.keysym.sym = sym;
  event.key.keysym.mod = mod;
  event.key.repeat = repeat;
  return event;
}

TEST(VirtualKeyFromSdl, MapsTheKeysTheProgramAndUsersMeet) {
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), 27);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 'A');
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 'Z');
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_0), '0');
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_9), '9');
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), 0x70);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), 0x7B);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT), 0x25);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP), 0x26);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RIGHT), 0x27);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_DOWN), 0x28);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_SPACE), 0x20);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RETURN), 0x0D);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_TAB), 0x09);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_BACKSPACE), 0x08);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_LSHIFT), 0x10);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RSHIFT), 0x10);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_LCTRL), 0x11);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RCTRL), 0x11);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_LALT), 0x12);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RALT), 0x12);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN), 0);
}

TEST(TranslateSdlEvent, KeysBecomeKeyMessagesWithVirtualKeyCodes) {
  PlatformMessage down = TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_ESCAPE), Window);
  EXPECT_EQ(down.window, Window);
  EXPECT_EQ(down.message, WM_KEYDOWN);
  EXPECT_EQ(down.wParam, 27u);
  PlatformMessage up = TranslateSdlEvent(Key(SDL_KEYUP, SDLK_ESCAPE), Window);
  EXPECT_EQ(up.message, WM_KEYUP);
  EXPECT_EQ(up.wParam, 27u);
  // Auto-repeat is another key-down.
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_q, KMOD_NONE, 1), Window).message, WM_KEYDOWN);
  // Shift and Ctrl combinations stay ordinary keys.
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_q, KMOD_LSHIFT | KMOD_LCTRL), Window).message,
            WM_KEYDOWN);
}

TEST(TranslateSdlEvent, AltCombinationsAltAndF10AreSystemKeys) {
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_F4, KMOD_LALT), Window).message, WM_SYSKEYDOWN);
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYUP, SDLK_F4, KMOD_RALT), Window).message, WM_SYSKEYUP);
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_LALT), Window).message, WM_SYSKEYDOWN);
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_F10), Window).message, WM_SYSKEYDOWN);
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_LALT), Window).message,
            WM_SYSKEYDOWN);
}

TEST(TranslateSdlEvent, CloseRequestsAndOtherEvents) {
  SDL_Event close = {};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_EQ(TranslateSdlEvent(close, Window).message, WM_CLOSE);
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  // SDL's quit request alone comes from a signal: it ends the loop as Escape does, with the
  // window left whole for its last frame.
  EXPECT_EQ(TranslateSdlEvent(quit, Window).message, WM_QUIT);
  // Once the window is gone there is nothing to close.
  EXPECT_EQ(TranslateSdlEvent(quit, nullptr).message, 0u);
  SDL_Event text = {};
  text.type = SDL_TEXTINPUT;  // the program takes keys, not characters
  EXPECT_EQ(TranslateSdlEvent(text, Window).message, 0u);
  EXPECT_EQ(TranslateSdlEvent(Key(SDL_KEYDOWN, SDLK_UNKNOWN), Window).message, 0u);
}

// A dropped file becomes WM_DROPFILES; its path is handed over once, by the drop's handle,
// whatever order the drops are taken in.
TEST(TranslateSdlEvent, DroppedFilesBecomeDropMessagesWithTheirPaths) {
  InstallPlatformBackend();
  char first[] = "/tmp/my map.png", second[] = "Textures/b.bmp";
  SDL_Event drop = {};
  drop.type = SDL_DROPFILE;
  drop.drop.file = first;
  const PlatformMessage a = TranslateSdlEvent(drop, Window);
  drop.drop.file = second;
  const PlatformMessage b = TranslateSdlEvent(drop, Window);
  EXPECT_EQ(a.message, WM_DROPFILES);
  EXPECT_EQ(b.message, WM_DROPFILES);
  EXPECT_NE(a.wParam, b.wParam);
  EXPECT_EQ(Platform.DroppedFileName(b.wParam), "Textures/b.bmp");
  EXPECT_EQ(Platform.DroppedFileName(a.wParam), "/tmp/my map.png");
  EXPECT_EQ(Platform.DroppedFileName(a.wParam), "") << "taken once";
  drop.drop.file = nullptr;
  EXPECT_EQ(TranslateSdlEvent(drop, Window).message, 0u);
}

TEST(TranslateSdlEvent, MouseBecomesWin32MouseMessages) {
  SDL_Event motion = {};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 300;
  motion.motion.y = -2;  // dragged above the window
  motion.motion.state = SDL_BUTTON_LMASK;
  PlatformMessage m = TranslateSdlEvent(motion, Window);
  EXPECT_EQ(m.message, WM_MOUSEMOVE);
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(static_cast<std::int16_t>(m.lParam & 0xFFFF), 300);
  EXPECT_EQ(static_cast<std::int16_t>((m.lParam >> 16) & 0xFFFF), -2);
  motion.motion.state = 0;
  EXPECT_EQ(TranslateSdlEvent(motion, Window).wParam, 0u);

  SDL_Event button = {};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_LEFT;
  button.button.x = 10;
  button.button.y = 20;
  m = TranslateSdlEvent(button, Window);
  EXPECT_EQ(m.message, WM_LBUTTONDOWN);
  EXPECT_EQ(m.lParam, 10 + (20 << 16));
  button.type = SDL_MOUSEBUTTONUP;
  EXPECT_EQ(TranslateSdlEvent(button, Window).message, WM_LBUTTONUP);
  // The right button too (it probes a pixel), with its own flag; Ctrl held adds
  // MK_CONTROL (Ctrl + left click probes as well); the middle button sends nothing.
  struct Press {
    Uint32 type;
    Uint8 button;
    SDL_Keymod mod;
    std::uint32_t message;
    std::uintptr_t flags;
  };
  const Press presses[] = {
      {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, KMOD_NONE, WM_RBUTTONDOWN, MK_RBUTTON},
      {SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, KMOD_NONE, WM_RBUTTONUP, 0},
      {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, KMOD_LCTRL, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL},
      {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, KMOD_RCTRL, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL},
      {SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, KMOD_NONE, WM_LBUTTONUP, 0},
      {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, KMOD_NONE, 0, 0},
  };
  for (const Press& p : presses) {
    SDL_SetModState(p.mod);
    button.type = p.type;
    button.button.button = p.button;
    m = TranslateSdlEvent(button, Window);
    EXPECT_EQ(m.message, p.message) << int(p.button) << " " << p.type;
    if (!p.message) continue;
    EXPECT_EQ(m.wParam, p.flags) << int(p.button) << " " << p.type;
    EXPECT_EQ(m.lParam, 10 + (20 << 16));
  }
  SDL_SetModState(KMOD_NONE);

  SDL_Event wheel = {};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = -2;
  m = TranslateSdlEvent(wheel, Window);
  EXPECT_EQ(m.message, WM_MOUSEWHEEL);
  EXPECT_EQ(static_cast<std::int16_t>((m.wParam >> 16) & 0xFFFF), -240);
  wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  EXPECT_EQ(static_cast<std::int16_t>((TranslateSdlEvent(wheel, Window).wParam >> 16) & 0xFFFF),
            240);
}

}  // namespace
