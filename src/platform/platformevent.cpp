// Key translation and event filling of the event pump (see platformevent.h).
#include "platform/platformevent.h"

#include "os/winuser.h"

int32_t TranslateKeyCode(int32_t vk) {
  switch (vk) {
    case VK_PRIOR: return kKeyPageUp;
    case VK_NEXT: return kKeyPageDown;
    case VK_LEFT: return kKeyLeft;
    case VK_UP: return kKeyUp;
    case VK_RIGHT: return kKeyRight;
    case VK_DOWN: return kKeyDown;
    case VK_INSERT: return kKeyInsert;
    case VK_DELETE: return kKeyDelete;
    case VK_MULTIPLY: return '*';
    case VK_ADD:
    case VK_OEM_PLUS: return '+';
    case VK_SEPARATOR: return '\n';
    case VK_SUBTRACT:
    case VK_OEM_MINUS: return '-';
    case VK_DECIMAL:
    case VK_OEM_PERIOD: return '.';
    case VK_DIVIDE:
    case VK_OEM_2: return '/';
    case VK_OEM_1: return ';';
    case VK_OEM_COMMA: return ',';
    case VK_OEM_3: return '`';
    case VK_OEM_4: return '[';
    case VK_OEM_6: return ']';
    case VK_OEM_5: return '\\';
    case VK_OEM_7: return '\'';
    default: break;
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return '0' + (vk - VK_NUMPAD0);
  return vk;
}

int32_t MouseKeyModifiers(WPARAM buttonState) { return static_cast<int32_t>((buttonState >> 2) & 3); }

void MakeEvent(TPlatformEvent* event, int32_t type, int32_t x, int32_t y, int32_t data, int32_t modifiers) {
  event->type = type;
  event->data = data;
  event->x = static_cast<int16_t>(x);
  event->y = static_cast<int16_t>(y);
  event->modifiers = modifiers;
}
