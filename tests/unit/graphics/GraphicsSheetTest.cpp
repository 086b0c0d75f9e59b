#include "GraphicsFixture.h"
#include "support/TempDir.h"

#include <cstdlib>

namespace {

using plat::Pen;
using plat::Rect;

// Draws one of everything; set SK_GRAPHICS_SHEET to a file name to keep the picture for a look.
void DrawSheet(plat::CDeviceContext& dc)
{
    dc.FillSolidRect({0, 0, 640, 420}, 0xFFFFFF);
    dc.FillSolidRect({10, 10, 110, 60}, 0x1A57A9);
    dc.GradientFill({120, 10, 220, 60}, 0xFF337BDD, 0xFFFFFFFF, true);
    dc.GradientFill({230, 10, 330, 60}, 0xFFFF0000, 0xFF00FF00, false);
    dc.GradientFill({340, 10, 440, 60}, 0x80000000, 0x00000000, true);

    auto half = plat::CBitmap::CreateDib(1, -1);
    half->Row(0)[0] = 0xAA000000;
    half->MarkDirty();
    dc.AlphaBlend({450, 10, 550, 60}, *half, {0, 0, 1, 1}, 255);

    const plat::CRegion rounded = plat::CRegion::RoundRect(10, 70, 111, 121, 16, 16);
    dc.Save();
    dc.SelectClipRegion(&rounded);
    dc.FillSolidRect({10, 70, 110, 120}, 0x2E8B57);
    dc.Restore();
    dc.DrawRoundRectOutline({120, 70, 220, 120}, 16, 16, Pen{plat::kPS_Solid, 2, 0xC00000, true});
    dc.DrawRectOutline({230, 70, 330, 120}, Pen{plat::kPS_Dash, 1, 0x000000, true});
    dc.DrawRectOutline({340, 70, 440, 120}, Pen{plat::kPS_Solid, 4, 0x0000C0, true});
    dc.DrawLine(450, 70, 550, 120, Pen{plat::kPS_DashDotDot, 1, 0x000000});
    dc.DrawLine(450, 120, 550, 70, Pen{plat::kPS_Solid, 3, 0x808080});

    plat::FontDesc desc;
    desc.face = L"Segoe UI";
    desc.height = -16;
    auto font = plat::CFont::Create(desc);
    desc.face = L"Segoe UI Semibold";
    desc.height = -22;
    desc.weight = plat::kFW_Normal + plat::kFW_Bold;
    auto title = plat::CFont::Create(desc);
    ASSERT_TRUE(font && title);
    dc.SetBkMode(plat::kBk_Transparent);
    dc.SelectFont(title.get());
    Rect r{10, 130, 630, 160};
    dc.DrawText(L"Segoe UI Semibold, bold asked", r, plat::kDT_SingleLine | plat::kDT_VCenter);
    dc.SelectFont(font.get());
    const wchar_t* lines[] = {
        L"English: Install &Now, Q&&A",
        L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629: \u062A\u062B\u0628\u064A\u062A "
        L"\u0627\u0644\u0622\u0646",
        L"\u0E44\u0E17\u0E22: "
        L"\u0E15\u0E34\u0E14\u0E15\u0E31\u0E49\u0E07\u0E40\u0E14\u0E35\u0E4B\u0E22\u0E27\u0E19\u0E35\u0E49",
        L"\u4E2D\u6587: \u7ACB\u5373\u5B89\u88C5  \u65E5\u672C\u8A9E: "
        L"\u4ECA\u3059\u3050\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB",
        L"\uD55C\uAD6D\uC5B4: \uC9C0\uAE08 \uC124\uCE58",
    };
    int y = 165;
    for (const wchar_t* line : lines) {
        Rect lr{10, y, 630, y + 28};
        dc.DrawText(line, lr, plat::kDT_SingleLine | plat::kDT_VCenter);
        y += 28;
    }
    dc.SetTextColor(0x337BDD);
    Rect ellipsis{10, y, 200, y + 28};
    dc.FillSolidRect(ellipsis, 0xEEEEEE);
    dc.DrawText(L"Downloading the full installer", ellipsis,
                plat::kDT_SingleLine | plat::kDT_VCenter | plat::kDT_EndEllipsis);
    Rect wrapped{220, y, 420, y + 80};
    dc.FillSolidRect(wrapped, 0xEEEEEE);
    dc.DrawText(L"Install the product into this folder, then start it.", wrapped,
                plat::kDT_WordBreak | plat::kDT_Center);
    Rect right{440, y, 630, y + 28};
    dc.FillSolidRect(right, 0xEEEEEE);
    dc.DrawText(L"right aligned", right, plat::kDT_SingleLine | plat::kDT_Right | plat::kDT_Bottom);
    dc.SelectFont(nullptr);
}

TEST(GraphicsSheet, DrawsEveryKindOfOperationIntoOnePicture)
{
    sktest::CCanvas canvas(640, 420);
    DrawSheet(*canvas.dc);
    sktest::TempDir dir;
    EXPECT_TRUE(canvas.bitmap->SaveToPng(dir.Child("sheet.png")));
    if (const char* keep = std::getenv("SK_GRAPHICS_SHEET")) {
        EXPECT_TRUE(canvas.bitmap->SaveToPng(keep));
    }
    EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(500, 30), 0xFF555555u);
}

} // namespace
