// Key translation and event filling of the event pump.
#include "platform/platformevent.h"

#include <gtest/gtest.h>

#include "os/winuser.h"

TEST(PlatformEvent, KeyCodesTranslateAsTheFrameworkExpects) {
  struct Case {
    int vk;
    int32_t code;
  } cases[] = {
      {VK_PRIOR, kKeyPageUp},   {VK_NEXT, kKeyPageDown},  {VK_LEFT, kKeyLeft},       {VK_UP, kKeyUp},
      {VK_RIGHT, kKeyRight},    {VK_DOWN, kKeyDown},      {VK_INSERT, kKeyInsert},   {VK_DELETE, kKeyDelete},
      {VK_NUMPAD0, '0'},        {VK_NUMPAD0 + 7, '7'},    {VK_NUMPAD9, '9'},         {VK_MULTIPLY, '*'},
      {VK_ADD, '+'},            {VK_OEM_PLUS, '+'},       {VK_SEPARATOR, '\n'},      {VK_SUBTRACT, '-'},
      {VK_OEM_MINUS, '-'},      {VK_DECIMAL, '.'},        {VK_OEM_PERIOD, '.'},      {VK_DIVIDE, '/'},
      {VK_OEM_2, '/'},          {VK_OEM_1, ';'},          {VK_OEM_COMMA, ','},       {VK_OEM_3, '`'},
      {VK_OEM_4, '['},          {VK_OEM_6, ']'},          {VK_OEM_5, '\\'},          {VK_OEM_7, '\''},
      // Everything else passes through unchanged.
      {'A', 'A'},               {'0', '0'},               {VK_RETURN, 13},           {VK_ESCAPE, kKeyEscape},
      {VK_TAB, kKeyTab},        {VK_BACK, kKeyBackspace}, {VK_F1, VK_F1},            {VK_HOME, VK_HOME},
      {VK_SHIFT, VK_SHIFT},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateKeyCode(c.vk), c.code) << "vk " << c.vk;
}

TEST(PlatformEvent, MouseModifiersComeFromTheShiftAndControlBits) {
  EXPECT_EQ(MouseKeyModifiers(0), 0);
  EXPECT_EQ(MouseKeyModifiers(MK_SHIFT), kModifierShift);
  EXPECT_EQ(MouseKeyModifiers(MK_CONTROL), kModifierCtrl);
  EXPECT_EQ(MouseKeyModifiers(MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_RBUTTON | MK_MBUTTON), 3);
}

TEST(PlatformEvent, PositionsAreCutToSigned16Bits) {
  TPlatformEvent e;
  MakeEvent(&e, kEventMouseMove, 0xFFFF, 0x12345, 7, kModifierAlt);
  EXPECT_EQ(e.type, kEventMouseMove);
  EXPECT_EQ(e.x, -1);
  EXPECT_EQ(e.y, 0x2345);
  EXPECT_EQ(e.data, 7);
  EXPECT_EQ(e.modifiers, kModifierAlt);
  MakeEvent(&e, kEventIdle);
  EXPECT_EQ(e.x, 0);
  EXPECT_EQ(e.data, 0);
  EXPECT_EQ(e.modifiers, 0);
}
