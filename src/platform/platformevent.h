// The event record the platform hands the game loop, one per TPlatform::GetEvent call, with its type
// codes, the framework's key codes and the key translation the event pump applies.
#pragma once
#include <cstdint>

#include "os/win32types.h"

struct TPlatformEvent {
  int32_t type = 0;       // kEvent...
  int32_t data = 0;       // key code, character, button code or state, by type
  int32_t x = 0;          // pointer x in window pixels (a signed 16-bit value widened)
  int32_t y = 0;          // pointer y, same form
  int32_t modifiers = 0;  // kModifier... bits
};

constexpr int32_t kEventIdle = 1;               // no message waiting
constexpr int32_t kEventIgnored = 2;            // a message that is not translated
constexpr int32_t kEventClose = 3;              // the window's close request
constexpr int32_t kEventQuit = 4;               // WM_QUIT, or the host window is gone
constexpr int32_t kEventMouseDown = 5;          // left button down
constexpr int32_t kEventMouseButton = 6;        // other buttons and the wheel (kMouseButton...)
constexpr int32_t kEventMouseUp = 7;            // left button up
constexpr int32_t kEventMouseMove = 8;          // pointer moved (relative mode: offset from the centre)
constexpr int32_t kEventMousePosition = 9;      // pointer left the window, or capture went elsewhere
constexpr int32_t kEventMouseHover = 10;        // the pointer rested in the window
constexpr int32_t kEventKeyDown = 11;
constexpr int32_t kEventKeyUp = 12;
constexpr int32_t kEventChar = 13;              // ANSI character (wide-API flag off)
constexpr int32_t kEventWideChar = 14;          // Unicode code point (wide-API flag on)
constexpr int32_t kEventRedraw = 15;
constexpr int32_t kEventDisplayChanged = 17;
constexpr int32_t kEventActivate = 18;          // data 1 active, 0 inactive
constexpr int32_t kEventFullScreenToggled = 19; // data 1 when now full screen

// Data of kEventMouseButton.
constexpr int32_t kMouseRightUp = 0, kMouseRightDown = 1, kMouseMiddleUp = 2, kMouseMiddleDown = 3,
                  kMouseExtra1Down = 4, kMouseExtra2Down = 5, kMouseWheelAway = 6, kMouseWheelToward = 7;

constexpr int32_t kModifierShift = 1, kModifierCtrl = 2, kModifierAlt = 4, kModifierExtended = 8;

// Key codes shared with the widgets.
constexpr int32_t kKeyDelete = -1;
constexpr int32_t kKeyPageDown = -122;
constexpr int32_t kKeyPageUp = -123;
constexpr int32_t kKeyInsert = -124;
constexpr int32_t kKeyRight = -125;
constexpr int32_t kKeyLeft = -126;
constexpr int32_t kKeyDown = -127;
constexpr int32_t kKeyUp = -128;
constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeyTab = 9;
constexpr int32_t kKeyBackspace = 8;

// A virtual key as key events carry it: the navigation keys become the negative codes, the numeric
// pad and the punctuation keys their characters; everything else passes through.
int32_t TranslateKeyCode(int32_t virtualKey);
// Shift 1 and ctrl 2 from the MK_SHIFT / MK_CONTROL bits of a mouse message's button state.
int32_t MouseKeyModifiers(WPARAM buttonState);
// Fills an event; x and y are cut to signed 16 bits and widened, as the message positions are.
void MakeEvent(TPlatformEvent* event, int32_t type, int32_t x = 0, int32_t y = 0, int32_t data = 0,
               int32_t modifiers = 0);
