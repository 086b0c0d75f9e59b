#pragma once

#include <cstdint>

// Handle and constant types shared by every family of the platform layer.
namespace plat {

// A native top-level window; null means "no window".
struct NativeWindow;
using WindowHandle = NativeWindow*;

// The native path separator, and the one other systems use that NormalizePath turns into it.
inline constexpr wchar_t kPathSeparator = L'/';
inline constexpr wchar_t kForeignSeparator = L'\\';
inline constexpr char kPathSeparatorA = '/';
inline constexpr char kForeignSeparatorA = '\\';

} // namespace plat
