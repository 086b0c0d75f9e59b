#pragma once

#include <cstdint>
#include <memory>

#include "platform/Graphics.h"
#include "ui/core/UIString.h"

namespace SkinUI {

// The toolkit's font handle: the font object a record owns.
using FontHandleUI = plat::CFont*;

// One font, owned by the table that holds it.
struct FontRecord
{
    std::unique_ptr<plat::CFont> handle;
    CStringUI face;
    // The pixel height as given; the font is created with height -size.
    int32_t size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    // Empty (height 0) until the record is first asked for with a device context at hand.
    plat::TextMetrics metrics;
};

// Face names longer than this are cut when the font is created.
inline constexpr int kMaxFontFaceLength = 32;

// The font a record of these values stands for: the stock GUI font with the face, height -size,
// 700 added to the stock weight when bold, underline and italic switched on when asked.
plat::FontDesc MakeFontDesc(const wchar_t* face, int size, bool bold, bool underline, bool italic);

// Fills the record's metrics through the device context unless they are filled already.
void FillFontMetrics(FontRecord& record, plat::CDeviceContext* dc);

} // namespace SkinUI
