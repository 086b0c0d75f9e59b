#pragma once

#include "ui/core/UIGeometry.h"

namespace SkinUI {

class CWindowManagerUI;

// Fonts that markup text creates are cached under ids from one process-wide counter from here up.
inline constexpr int kFirstMarkupFontId = 30000;

// Takes the next id of the process-wide counter for a font that markup text creates.
int NextMarkupFontId();

// The manager's last mouse position in client coordinates, (-1, -1) while the manager keeps none.
PointUI MarkupMousePoint(const CWindowManagerUI* manager);

} // namespace SkinUI
