#pragma once

#include "platform/Graphics.h"

// What the demo window looks like, shared by the demo and the test that checks its screenshot.
namespace e2edemo {

inline constexpr wchar_t kTitle[] = L"sk e2e window demo";
inline constexpr char kTitleUtf8[] = "sk e2e window demo";
inline constexpr int kWidth = 400;
inline constexpr int kHeight = 300;
inline constexpr int kStartX = 100;
inline constexpr int kStartY = 80;
inline constexpr int kCaptionHeight = 32;
inline constexpr plat::Rect kButton{150, 200, 250, 232};
inline constexpr plat::Color kCaptionRgb = 0x1E5AC8;
inline constexpr plat::Color kClientRgb = 0xFFFFFF;
inline constexpr plat::Color kButtonRgb = 0xD8D8D8;
inline constexpr plat::Color kButtonEdgeRgb = 0x404040;

} // namespace e2edemo
