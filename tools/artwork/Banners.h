#pragma once

#include "Canvas.h"

namespace artwork {

// The five 650 x 290 banners shown while the product downloads and installs.
void DrawBannerProductWindow(const CCanvas& canvas);
void DrawBannerShield(const CCanvas& canvas);
void DrawBannerCharts(const CCanvas& canvas);
void DrawBannerCloud(const CCanvas& canvas);
void DrawBannerSpeed(const CCanvas& canvas);

} // namespace artwork
