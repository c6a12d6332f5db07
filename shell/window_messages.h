// Window message numbers as Win32 defines them; every backend delivers these.
#pragma once
#include <cstdint>

inline constexpr uint32_t WmDestroy = 0x0002;
inline constexpr uint32_t WmClose = 0x0010;
inline constexpr uint32_t WmSetCursor = 0x0020;
inline constexpr uint32_t WmKeyDown = 0x0100;
inline constexpr uint32_t WmKeyUp = 0x0101;
inline constexpr uint32_t WmChar = 0x0102;
inline constexpr uint32_t WmSysKeyDown = 0x0104;
inline constexpr uint32_t WmSysKeyUp = 0x0105;
inline constexpr uint32_t WmMouseMove = 0x0200;
inline constexpr uint32_t WmLButtonDown = 0x0201;
inline constexpr uint32_t WmLButtonUp = 0x0202;
inline constexpr uint32_t WmRButtonDown = 0x0204;
inline constexpr uint32_t WmRButtonUp = 0x0205;
inline constexpr uint32_t WmMButtonDown = 0x0207;
inline constexpr uint32_t WmMButtonUp = 0x0208;
inline constexpr uint32_t WmMouseWheel = 0x020A;
inline constexpr uint32_t WmXButtonDown = 0x020B;
inline constexpr uint32_t WmActivate = 0x0006;
inline constexpr uint32_t WmActivateApp = 0x001C;

// Virtual-key codes that are not the letter or digit itself.
inline constexpr uint32_t VkBack = 0x08;
inline constexpr uint32_t VkTab = 0x09;
inline constexpr uint32_t VkReturn = 0x0D;
inline constexpr uint32_t VkShift = 0x10;
inline constexpr uint32_t VkControl = 0x11;
inline constexpr uint32_t VkMenu = 0x12; // Alt
inline constexpr uint32_t VkEscape = 0x1B;
inline constexpr uint32_t VkSpace = 0x20;
inline constexpr uint32_t VkLeft = 0x25;
inline constexpr uint32_t VkUp = 0x26;
inline constexpr uint32_t VkRight = 0x27;
inline constexpr uint32_t VkDown = 0x28;
inline constexpr uint32_t VkF1 = 0x70;
