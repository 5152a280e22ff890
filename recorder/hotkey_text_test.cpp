#include "recorder/hotkey_text.h"

#include <gtest/gtest.h>

TEST(HotkeyText, ModifiersInTheirOrderThenTheKeyAndTheRegistrationFlags) {
  struct Case {
    uint16_t hotkey;
    const char* text;
    uint32_t modifiers;  // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4
  };
  const Case cases[] = {
      {0x0253, "Ctrl + S", 2},
      {0x0245, "Ctrl + E", 2},
      {0x0248, "Ctrl + H", 2},
      {0x0153, "Shift + S", 4},
      {0x0431, "Alt + 1", 1},
      {0x0741, "Alt + Ctrl + Shift + A", 7},
      {0x0641, "Alt + Ctrl + A", 3},
      {0x0300, "Ctrl + Shift + ", 6},
      {0x0735, "Alt + Ctrl + Shift + 5", 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HotkeyText(c.hotkey), c.text) << std::hex << c.hotkey;
    EXPECT_EQ(HotkeyRegisterModifiers(c.hotkey), c.modifiers) << std::hex << c.hotkey;
  }
}
