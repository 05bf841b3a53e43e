// Keyboard tables of the stand-in: SDL scancodes to virtual keys (a US layout, with letters and
// digits taken from the keycode so other layouts still type the right letter), and the characters a
// key-down makes when TranslateMessage has no text from the keyboard itself.
#include <SDL.h>

#include "os/user_internal.h"

namespace os::kbd {
namespace {

struct Entry {
  SDL_Scancode scancode;
  int vk;
  bool extended;
};

constexpr Entry kTable[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN, false},   {SDL_SCANCODE_ESCAPE, VK_ESCAPE, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, false},  {SDL_SCANCODE_TAB, VK_TAB, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, false},     {SDL_SCANCODE_MINUS, VK_OEM_MINUS, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, false}, {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, false}, {SDL_SCANCODE_BACKSLASH, VK_OEM_5, false},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, false}, {SDL_SCANCODE_SEMICOLON, VK_OEM_1, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, false}, {SDL_SCANCODE_GRAVE, VK_OEM_3, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, false}, {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, false},     {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, false},
    {SDL_SCANCODE_F1, VK_F1, false},           {SDL_SCANCODE_F2, VK_F2, false},
    {SDL_SCANCODE_F3, VK_F3, false},           {SDL_SCANCODE_F4, VK_F4, false},
    {SDL_SCANCODE_F5, VK_F5, false},           {SDL_SCANCODE_F6, VK_F6, false},
    {SDL_SCANCODE_F7, VK_F7, false},           {SDL_SCANCODE_F8, VK_F8, false},
    {SDL_SCANCODE_F9, VK_F9, false},           {SDL_SCANCODE_F10, VK_F10, false},
    {SDL_SCANCODE_F11, VK_F11, false},         {SDL_SCANCODE_F12, VK_F12, false},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, true}, {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, false},     {SDL_SCANCODE_INSERT, VK_INSERT, true},
    {SDL_SCANCODE_HOME, VK_HOME, true},        {SDL_SCANCODE_PAGEUP, VK_PRIOR, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, true},    {SDL_SCANCODE_END, VK_END, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, true},    {SDL_SCANCODE_RIGHT, VK_RIGHT, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, true},        {SDL_SCANCODE_DOWN, VK_DOWN, true},
    {SDL_SCANCODE_UP, VK_UP, true},            {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, true}, {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, false}, {SDL_SCANCODE_KP_PLUS, VK_ADD, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, true},  {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, false},
    {SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, false}, {SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, false},
    {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, false}, {SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, false},
    {SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, false}, {SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, false},
    {SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, false}, {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9, false},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, false},    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, false},
    {SDL_SCANCODE_KP_COMMA, VK_SEPARATOR, false}, {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, false},
    {SDL_SCANCODE_APPLICATION, VK_APPS, true}, {SDL_SCANCODE_LCTRL, VK_CONTROL, false},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, false},    {SDL_SCANCODE_LALT, VK_MENU, false},
    {SDL_SCANCODE_LGUI, VK_LWIN, true},        {SDL_SCANCODE_RCTRL, VK_CONTROL, true},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, false},    {SDL_SCANCODE_RALT, VK_MENU, true},
    {SDL_SCANCODE_RGUI, VK_RWIN, true},
};

}  // namespace

int VkFromSdl(int scancode, int keycode) {
  if (keycode >= 'a' && keycode <= 'z') return keycode - 'a' + 'A';
  if (keycode >= '0' && keycode <= '9' && !(scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_0))
    return keycode;
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return '0';
  for (const Entry& e : kTable)
    if (e.scancode == scancode) return e.vk;
  return 0;
}

bool IsExtendedScancode(int scancode) {
  for (const Entry& e : kTable)
    if (e.scancode == scancode) return e.extended;
  return false;
}

int SdlScancodeFromVk(int vk, bool extended) {
  if (vk >= 'A' && vk <= 'Z') return SDL_SCANCODE_A + (vk - 'A');
  if (vk >= '1' && vk <= '9') return SDL_SCANCODE_1 + (vk - '1');
  if (vk == '0') return SDL_SCANCODE_0;
  int fallback = SDL_SCANCODE_UNKNOWN;
  for (const Entry& e : kTable) {
    if (e.vk != vk) continue;
    if (e.extended == extended) return e.scancode;
    if (fallback == SDL_SCANCODE_UNKNOWN) fallback = e.scancode;
  }
  return fallback;
}

bool IsModifierVk(int vk) {
  return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_CAPITAL || vk == VK_LWIN ||
         vk == VK_RWIN || vk == VK_NUMLOCK || vk == VK_SCROLL;
}

std::u16string CharsForKey(int vk, unsigned mods, bool capsLock) {
  bool shift = mods & os::kModShift, ctrl = mods & os::kModCtrl, alt = mods & os::kModAlt;
  if (ctrl && alt) return {};  // AltGr combinations come from the keyboard's text only
  auto one = [](char16_t c) { return std::u16string(1, c); };
  switch (vk) {
    case VK_BACK: return one(ctrl ? 0x7F : 0x08);
    case VK_TAB: return ctrl ? std::u16string() : one(0x09);
    case VK_RETURN: return one(ctrl ? 0x0A : 0x0D);
    case VK_ESCAPE: return one(0x1B);
    case VK_SPACE: return one(u' ');
    default: break;
  }
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return one(static_cast<char16_t>(vk - 'A' + 1));
    bool upper = shift != capsLock;
    return one(static_cast<char16_t>(upper ? vk : vk - 'A' + 'a'));
  }
  if (ctrl) {
    switch (vk) {
      case VK_OEM_4: return one(0x1B);  // Ctrl+[
      case VK_OEM_5: return one(0x1C);  // Ctrl+backslash
      case VK_OEM_6: return one(0x1D);  // Ctrl+]
      case '6': return shift ? one(0x1E) : std::u16string();
      case VK_OEM_MINUS: return shift ? one(0x1F) : std::u16string();
      default: return {};
    }
  }
  if (vk >= '0' && vk <= '9') {
    static const char16_t kShifted[] = u")!@#$%^&*(";
    return one(shift ? kShifted[vk - '0'] : static_cast<char16_t>(vk));
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return one(static_cast<char16_t>('0' + vk - VK_NUMPAD0));
  struct Oem { int vk; char16_t plain, shifted; };
  static const Oem kOem[] = {
      {VK_OEM_1, u';', u':'},     {VK_OEM_PLUS, u'=', u'+'},  {VK_OEM_COMMA, u',', u'<'},
      {VK_OEM_MINUS, u'-', u'_'}, {VK_OEM_PERIOD, u'.', u'>'}, {VK_OEM_2, u'/', u'?'},
      {VK_OEM_3, u'`', u'~'},     {VK_OEM_4, u'[', u'{'},     {VK_OEM_5, u'\\', u'|'},
      {VK_OEM_6, u']', u'}'},     {VK_OEM_7, u'\'', u'"'},    {VK_OEM_102, u'\\', u'|'},
      {VK_MULTIPLY, u'*', u'*'},  {VK_ADD, u'+', u'+'},       {VK_SUBTRACT, u'-', u'-'},
      {VK_DECIMAL, u'.', u'.'},   {VK_DIVIDE, u'/', u'/'},
  };
  for (const Oem& o : kOem)
    if (o.vk == vk) return one(shift ? o.shifted : o.plain);
  return {};
}

}  // namespace os::kbd
