#include "ui/core/WindowManager.h"

#include "ui/core/ResourceShared.h"

namespace SkinUI {

CWindowManagerUI::CWindowManagerUI()
{
    PrepareSharedDefaults();
    m_defaultColors = SharedResources().defaultColors;
}

CWindowManagerUI::~CWindowManagerUI()
{
    ReleaseDefaultAttributes(false);
    ReleaseFonts(false);
    ReleaseImages(false);
}

} // namespace SkinUI
