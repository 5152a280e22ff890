#pragma once
// A hotkey setting as the hotkey control reports it: the virtual key in the
// low byte, the modifier flags (1 Shift, 2 Ctrl, 4 Alt) in the high byte.
#include <cstdint>
#include <string>

inline constexpr uint8_t kHotkeyShift = 1;
inline constexpr uint8_t kHotkeyCtrl = 2;
inline constexpr uint8_t kHotkeyAlt = 4;

// "Alt + ", "Ctrl + ", "Shift + " as set, in that order, then the key code as
// one character ("Ctrl + S").
std::string HotkeyText(uint16_t hotkey);
// The flags RegisterHotKey takes (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4).
uint32_t HotkeyRegisterModifiers(uint16_t hotkey);
