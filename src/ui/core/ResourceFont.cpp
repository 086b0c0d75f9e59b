#include "ui/core/ResourceFont.h"

#include <cwchar>

namespace SkinUI {

plat::FontDesc MakeFontDesc(const wchar_t* face, int size, bool bold, bool underline, bool italic)
{
    plat::FontDesc desc = plat::StockGuiFont();
    const wchar_t* text = face ? face : L"";
    desc.face.assign(text, std::wcslen(text) < kMaxFontFaceLength ? std::wcslen(text) : kMaxFontFaceLength);
    desc.height = -size;
    if (bold)
        desc.weight += plat::kFW_Bold;
    if (underline)
        desc.underline = true;
    if (italic)
        desc.italic = true;
    return desc;
}

void FillFontMetrics(FontRecord& record, plat::CDeviceContext* dc)
{
    if (record.metrics.height != 0 || dc == nullptr || !record.handle)
        return;
    plat::CFont* previous = dc->SelectFont(record.handle.get());
    record.metrics = dc->GetTextMetrics();
    dc->SelectFont(previous);
}

} // namespace SkinUI
