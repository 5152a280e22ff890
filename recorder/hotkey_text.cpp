#include "recorder/hotkey_text.h"

std::string HotkeyText(uint16_t hotkey) {
  const uint8_t flags = static_cast<uint8_t>(hotkey >> 8);
  std::string text;
  if (flags & kHotkeyAlt) text += "Alt + ";
  if (flags & kHotkeyCtrl) text += "Ctrl + ";
  if (flags & kHotkeyShift) text += "Shift + ";
  // The key code itself stands for the key: its letter or digit for those keys.
  const char key = static_cast<char>(hotkey & 0xFF);
  if (key) text += key;
  return text;
}

uint32_t HotkeyRegisterModifiers(uint16_t hotkey) {
  const uint8_t flags = static_cast<uint8_t>(hotkey >> 8);
  uint32_t modifiers = 0;
  if (flags & kHotkeyAlt) modifiers |= 1;
  if (flags & kHotkeyCtrl) modifiers |= 2;
  if (flags & kHotkeyShift) modifiers |= 4;
  return modifiers;
}
