// Prints every message box on the screen as one line, caption and text separated by a tab,
// in UTF-8, so that a test script can check what a program shows before it presses OK.
// A message box is a visible top-level dialog (class "#32770"); its text is the static
// control with the identifier 0xFFFF.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8FromWide(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], length, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(length - 1));
  return utf8;
}

BOOL CALLBACK PrintBox(HWND window, LPARAM) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  wchar_t caption[512] = {};
  wchar_t text[2048] = {};
  GetWindowTextW(window, caption, 512);
  GetDlgItemTextW(window, 0xFFFF, text, 2048);
  std::printf("%s\t%s\n", Utf8FromWide(caption).c_str(), Utf8FromWide(text).c_str());
  return TRUE;
}

}  // namespace

int main() {
  EnumWindows(PrintBox, 0);
  std::fflush(stdout);
  return 0;
}
