#include "Banners.h"

#include <cmath>

namespace artwork {

using namespace colors;

namespace {

// Where the decorations of the shared background sit, so each banner gets its own arrangement.
struct BackdropLayout
{
    double glowX, glowY;
    double bubbleX, bubbleY, bubbleR;
    double ringX, ringY, ringR;
    double dotsX, dotsY;
};

void DrawBackdrop(const CCanvas& canvas, const BackdropLayout& layout)
{
    cairo_t* cr = canvas.Cr();
    const double w = canvas.Width();
    const double h = canvas.Height();
    const auto whole = [w, h](cairo_t* c) { cairo_rectangle(c, 0, 0, w, h); };

    FillPath(cr, whole,
             LinearGradient(0, 0, w, h, {{0, {kBrandDark}}, {0.55, {kBrand}}, {1, {kBrandLight}}}));
    FillPath(cr, whole,
             RadialGradient(layout.glowX, layout.glowY, 330, {{0, {kWhite, 0.22}}, {1, {kWhite, 0}}}));
    FillPath(cr, whole,
             RadialGradient(w - layout.glowX, h - layout.glowY, 300,
                            {{0, {kBrandDeep, 0.4}}, {1, {kBrandDeep, 0}}}));

    FillPath(
        cr, [&](cairo_t* c) { Circle(c, layout.bubbleX, layout.bubbleY, layout.bubbleR); },
        Paint{kWhite, 0.06});
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, w - layout.bubbleX, h - layout.bubbleY, layout.bubbleR * 0.7); },
        Paint{kWhite, 0.05});
    cairo_new_path(cr);
    Circle(cr, layout.ringX, layout.ringY, layout.ringR);
    Stroke(cr, 2, {kWhite, 0.12});

    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 6; ++col)
            FillPath(
                cr, [&](cairo_t* c) { Circle(c, layout.dotsX + col * 14, layout.dotsY + row * 14, 1.7); },
                Paint{kWhite, 0.28});
    }
}

// A four-pointed glint.
void Sparkle(cairo_t* cr, double cx, double cy, double size, double alpha)
{
    const double s = size;
    const double k = size * 0.18;
    cairo_new_path(cr);
    cairo_move_to(cr, cx, cy - s);
    cairo_curve_to(cr, cx + k, cy - k, cx + k, cy - k, cx + s, cy);
    cairo_curve_to(cr, cx + k, cy + k, cx + k, cy + k, cx, cy + s);
    cairo_curve_to(cr, cx - k, cy + k, cx - k, cy + k, cx - s, cy);
    cairo_curve_to(cr, cx - k, cy - k, cx - k, cy - k, cx, cy - s);
    cairo_close_path(cr);
    SetPaint(cr, {kWhite, alpha});
    cairo_fill(cr);
}

// A white card with a soft shadow below it.
void Card(const CCanvas& canvas, Rect rect, double radius, Paint fill = {kWhite})
{
    const auto path = [rect, radius](cairo_t* c) { RoundedRect(c, rect, radius); };
    DropShadow(canvas, path, 22, 0, 9, {kBrandDeep, 0.42});
    FillPath(canvas.Cr(), path, fill);
}

// A rounded bar standing in for a line of text.
void TextBar(cairo_t* cr, double x, double y, double width, double height, Paint paint)
{
    FillPath(
        cr,
        [=](cairo_t* c) {
            Pill(c, {x, y, width, height});
        },
        paint);
}

void CheckMark(cairo_t* cr, double cx, double cy, double size, double width, Paint paint)
{
    cairo_new_path(cr);
    cairo_move_to(cr, cx - size * 0.5, cy + size * 0.02);
    cairo_line_to(cr, cx - size * 0.14, cy + size * 0.36);
    cairo_line_to(cr, cx + size * 0.52, cy - size * 0.34);
    Stroke(cr, width, paint);
}

// A vertical arrow with a chevron head, pointing down when down is true.
void Arrow(cairo_t* cr, double cx, double top, double length, double width, bool down, Paint paint)
{
    const double tip = down ? top + length : top;
    const double tail = down ? top : top + length;
    const double head = length * 0.42 * (down ? -1 : 1);
    Line(cr, cx, tail, cx, tip, width, paint);
    cairo_new_path(cr);
    cairo_move_to(cr, cx - std::fabs(head), tip + head);
    cairo_line_to(cr, cx, tip);
    cairo_line_to(cr, cx + std::fabs(head), tip + head);
    Stroke(cr, width, paint);
}

void ProgressBar(cairo_t* cr, Rect track, double fraction)
{
    FillPath(
        cr, [=](cairo_t* c) { Pill(c, track); }, Paint{kMist});
    const Rect done{track.x, track.y, track.w * fraction, track.h};
    FillPath(
        cr, [=](cairo_t* c) { Pill(c, done); },
        LinearGradient(done.x, 0, done.Right(), 0, {{0, {kBrandLight}}, {1, {kBrand}}}));
}

// A shield outline centred on cx, from top down to its point.
void ShieldPath(cairo_t* cr, double cx, double top, double width, double height)
{
    const double half = width / 2;
    cairo_new_sub_path(cr);
    cairo_move_to(cr, cx, top);
    cairo_curve_to(cr, cx + half * 0.45, top + height * 0.09, cx + half * 0.8, top + height * 0.1, cx + half,
                   top + height * 0.1);
    cairo_line_to(cr, cx + half, top + height * 0.46);
    cairo_curve_to(cr, cx + half, top + height * 0.74, cx + half * 0.45, top + height * 0.9, cx,
                   top + height);
    cairo_curve_to(cr, cx - half * 0.45, top + height * 0.9, cx - half, top + height * 0.74, cx - half,
                   top + height * 0.46);
    cairo_line_to(cr, cx - half, top + height * 0.1);
    cairo_curve_to(cr, cx - half * 0.8, top + height * 0.1, cx - half * 0.45, top + height * 0.09, cx, top);
    cairo_close_path(cr);
}

void CloudPath(cairo_t* cr, double cx, double cy, double scale)
{
    Circle(cr, cx - 58 * scale, cy + 8 * scale, 40 * scale);
    Circle(cr, cx - 4 * scale, cy - 18 * scale, 58 * scale);
    Circle(cr, cx + 56 * scale, cy + 6 * scale, 42 * scale);
    RoundedRect(cr, {cx - 98 * scale, cy + 2 * scale, 196 * scale, 46 * scale}, 23 * scale);
}

void DashedCurve(cairo_t* cr, double x0, double y0, double cx0, double cy0, double cx1, double cy1, double x1,
                 double y1)
{
    static const double dashes[] = {0.1, 8};
    cairo_new_path(cr);
    cairo_move_to(cr, x0, y0);
    cairo_curve_to(cr, cx0, cy0, cx1, cy1, x1, y1);
    cairo_set_dash(cr, dashes, 2, 0);
    Stroke(cr, 3.2, {kWhite, 0.75});
    cairo_set_dash(cr, nullptr, 0, 0);
}

} // namespace

void DrawBannerProductWindow(const CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    DrawBackdrop(canvas, {600, 20, 590, 300, 150, 70, 60, 40, 560, 210});

    const Rect win{175, 46, 320, 198};
    const auto winPath = [win](cairo_t* c) { RoundedRect(c, win, 12); };
    Card(canvas, win, 12);

    cairo_save(cr);
    cairo_new_path(cr);
    winPath(cr);
    cairo_clip(cr);
    FillPath(
        cr, [&](cairo_t* c) { cairo_rectangle(c, win.x, win.y, win.w, 26); }, Paint{kCloud});
    FillPath(
        cr, [&](cairo_t* c) { cairo_rectangle(c, win.x, win.y + 26, 64, win.h - 26); }, Paint{kMist});
    cairo_restore(cr);

    const uint32_t lights[] = {kCoral, kAmber, kMint};
    for (int i = 0; i < 3; ++i)
        FillPath(
            cr, [&](cairo_t* c) { Circle(c, win.x + 16 + i * 14, win.y + 13, 4); }, Paint{lights[i]});
    TextBar(cr, win.CenterX() - 30, win.y + 10, 60, 6, {kSlate});

    for (int i = 0; i < 4; ++i) {
        const Rect icon{win.x + 20, win.y + 44 + i * 36, 24, 24};
        if (i == 0)
            FillPath(
                cr, [&](cairo_t* c) { RoundedRect(c, icon, 7); },
                LinearGradient(icon.x, icon.y, icon.Right(), icon.Bottom(),
                               {{0, {kBrandLight}}, {1, {kBrand}}}));
        else
            FillPath(
                cr, [&](cairo_t* c) { RoundedRect(c, icon, 7); }, Paint{kSlate, 0.75});
    }

    const double x0 = win.x + 80;
    const double contentW = win.Right() - 16 - x0;
    const Rect hero{x0, win.y + 42, contentW, 72};
    FillPath(
        cr, [&](cairo_t* c) { RoundedRect(c, hero, 9); },
        LinearGradient(hero.x, hero.y, hero.Right(), hero.Bottom(), {{0, {kBrand}}, {1, {kBrandLight}}}));
    cairo_save(cr);
    cairo_new_path(cr);
    RoundedRect(cr, hero, 9);
    cairo_clip(cr);
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, hero.Right() - 30, hero.y + 10, 46); }, Paint{kWhite, 0.14});
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, hero.Right() - 70, hero.Bottom() + 8, 30); }, Paint{kWhite, 0.1});
    cairo_restore(cr);
    TextBar(cr, hero.x + 16, hero.y + 16, 96, 10, {kWhite, 0.95});
    TextBar(cr, hero.x + 16, hero.y + 34, 64, 7, {kWhite, 0.6});
    TextBar(cr, hero.x + 16, hero.y + 50, 44, 12, {kWhite});

    const uint32_t accents[] = {kBrand, kMint, kAmber};
    const double gap = 10;
    const double cardW = (contentW - 2 * gap) / 3;
    for (int i = 0; i < 3; ++i) {
        const Rect tile{x0 + i * (cardW + gap), win.y + 126, cardW, 56};
        FillPath(
            cr, [&](cairo_t* c) { RoundedRect(c, tile, 8); }, Paint{kCloud});
        FillPath(
            cr, [&](cairo_t* c) { Circle(c, tile.x + 16, tile.y + 18, 8); }, Paint{accents[i], 0.9});
        TextBar(cr, tile.x + 10, tile.y + 34, tile.w - 20, 6, {kSlate});
        TextBar(cr, tile.x + 10, tile.y + 44, tile.w - 34, 5, {kSlate, 0.6});
    }

    // Floating download card at the left.
    const Rect download{74, 166, 158, 54};
    Card(canvas, download, 12);
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, download.x + 27, download.CenterY(), 15); },
        LinearGradient(download.x + 12, download.y, download.x + 42, download.Bottom(),
                       {{0, {kBrandLight}}, {1, {kBrand}}}));
    Arrow(cr, download.x + 27, download.CenterY() - 8, 15, 3, true, {kWhite});
    TextBar(cr, download.x + 52, download.y + 15, 62, 6, {kSlate});
    ProgressBar(cr, {download.x + 52, download.y + 30, 92, 8}, 0.68);

    // Floating notification card at the right.
    const Rect notice{450, 92, 140, 58};
    Card(canvas, notice, 12);
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, notice.x + 28, notice.CenterY(), 15); }, Paint{kMint});
    CheckMark(cr, notice.x + 28, notice.CenterY(), 14, 3.2, {kWhite});
    TextBar(cr, notice.x + 52, notice.y + 18, 70, 7, {kSlate});
    TextBar(cr, notice.x + 52, notice.y + 32, 48, 6, {kSlate, 0.6});

    Sparkle(cr, 560, 205, 9, 0.85);
    Sparkle(cr, 130, 80, 7, 0.7);
    Sparkle(cr, 520, 56, 5, 0.6);
}

void DrawBannerShield(const CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    DrawBackdrop(canvas, {80, 10, 60, -10, 140, 585, 230, 44, 480, 40});

    const double cx = 325;
    const double cy = 150;
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, cx, cy, 122); }, Paint{kWhite, 0.06});
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, cx, cy, 96); }, Paint{kWhite, 0.07});
    static const double dashes[] = {2, 9};
    cairo_new_path(cr);
    Circle(cr, cx, cy, 140);
    cairo_set_dash(cr, dashes, 2, 0);
    Stroke(cr, 2, {kWhite, 0.3});
    cairo_set_dash(cr, nullptr, 0, 0);

    const double top = 58;
    const auto outer = [&](cairo_t* c) { ShieldPath(c, cx, top, 156, 182); };
    DropShadow(canvas, outer, 26, 0, 12, {kBrandDeep, 0.5});
    FillPath(cr, outer, LinearGradient(0, top, 0, top + 182, {{0, {kWhite}}, {1, {0xD6E7FF}}}));
    const double innerTop = top + 17;
    const auto inner = [&](cairo_t* c) { ShieldPath(c, cx, innerTop, 122, 146); };
    FillPath(
        cr, inner,
        LinearGradient(cx - 61, innerTop, cx + 61, innerTop + 146, {{0, {kBrandLight}}, {1, {kBrandDark}}}));
    // A light sheen over the left half gives the shield some depth.
    cairo_save(cr);
    cairo_new_path(cr);
    inner(cr);
    cairo_clip(cr);
    FillPath(
        cr, [&](cairo_t* c) { cairo_rectangle(c, cx - 70, innerTop, 70, 150); }, Paint{kWhite, 0.1});
    cairo_restore(cr);
    CheckMark(cr, cx, innerTop + 66, 52, 11, {kWhite});

    // Lock card at the left.
    const Rect lock{112, 104, 92, 92};
    Card(canvas, lock, 18);
    const double lx = lock.CenterX();
    cairo_new_path(cr);
    cairo_arc(cr, lx, lock.y + 42, 14, M_PI, 2 * M_PI);
    cairo_line_to(cr, lx + 14, lock.y + 48);
    cairo_move_to(cr, lx - 14, lock.y + 48);
    cairo_line_to(cr, lx - 14, lock.y + 42);
    Stroke(cr, 6, {kBrandDark});
    const Rect body{lx - 23, lock.y + 46, 46, 34};
    FillPath(
        cr, [&](cairo_t* c) { RoundedRect(c, body, 8); },
        LinearGradient(body.x, body.y, body.x, body.Bottom(), {{0, {kBrandLight}}, {1, {kBrand}}}));
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, lx, body.y + 14, 4.5); }, Paint{kWhite});
    Line(cr, lx, body.y + 16, lx, body.y + 24, 4, {kWhite});

    // Checklist card at the right.
    const Rect list{440, 112, 132, 84};
    Card(canvas, list, 14);
    for (int i = 0; i < 3; ++i) {
        const double y = list.y + 20 + i * 22;
        FillPath(
            cr, [&](cairo_t* c) { Circle(c, list.x + 22, y, 7); }, Paint{kMint});
        CheckMark(cr, list.x + 22, y, 7, 2, {kWhite});
        TextBar(cr, list.x + 38, y - 3.5, i == 1 ? 56 : 74, 7, {kSlate});
    }

    Sparkle(cr, 420, 70, 10, 0.9);
    Sparkle(cr, 232, 236, 7, 0.75);
    Sparkle(cr, 470, 232, 5, 0.6);
    Sparkle(cr, 190, 64, 5, 0.6);
}

void DrawBannerCharts(const CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    DrawBackdrop(canvas, {620, 270, 40, 280, 120, 600, 40, 36, 30, 40});

    const Rect board{92, 48, 300, 198};
    Card(canvas, board, 14);
    TextBar(cr, board.x + 20, board.y + 20, 84, 10, {kSlate});
    TextBar(cr, board.x + 20, board.y + 38, 52, 7, {kSlate, 0.6});
    TextBar(cr, board.Right() - 66, board.y + 20, 46, 14, {kMist});

    const double left = board.x + 22;
    const double right = board.Right() - 22;
    const double bottom = board.Bottom() - 22;
    for (int i = 0; i < 4; ++i)
        Line(cr, left, bottom - i * 30, right, bottom - i * 30, 1, {kMist});

    const double heights[] = {34, 52, 44, 70, 58, 84, 74, 98};
    const int count = 8;
    const double slot = (right - left) / count;
    double pointsX[count];
    double pointsY[count];
    for (int i = 0; i < count; ++i) {
        const Rect bar{left + i * slot + slot * 0.28, bottom - heights[i], slot * 0.44, heights[i]};
        FillPath(
            cr, [&](cairo_t* c) { RoundedRect(c, bar, 5); },
            LinearGradient(0, bar.y, 0, bottom, {{0, {kSky}}, {1, {kMist}}}));
        pointsX[i] = bar.CenterX();
        pointsY[i] = bar.y - 12 - (i % 2) * 6;
    }

    // Smooth trend line through the points, with a soft area below it.
    const auto trend = [&](cairo_t* c) {
        cairo_move_to(c, pointsX[0], pointsY[0]);
        for (int i = 1; i < count; ++i) {
            const double mid = (pointsX[i - 1] + pointsX[i]) / 2;
            cairo_curve_to(c, mid, pointsY[i - 1], mid, pointsY[i], pointsX[i], pointsY[i]);
        }
    };
    FillPath(
        cr,
        [&](cairo_t* c) {
            trend(c);
            cairo_line_to(c, pointsX[count - 1], bottom);
            cairo_line_to(c, pointsX[0], bottom);
            cairo_close_path(c);
        },
        LinearGradient(0, board.y + 50, 0, bottom, {{0, {kBrand, 0.28}}, {1, {kBrand, 0}}}));
    cairo_new_path(cr);
    trend(cr);
    Stroke(cr, 3.5, {kBrand});
    for (int i : {2, 5, 7}) {
        FillPath(
            cr, [&](cairo_t* c) { Circle(c, pointsX[i], pointsY[i], 6); }, Paint{kWhite});
        cairo_new_path(cr);
        Circle(cr, pointsX[i], pointsY[i], 6);
        Stroke(cr, 3, {kBrand});
    }

    // Donut card overlapping the board's right edge.
    const Rect donutCard{352, 116, 172, 112};
    Card(canvas, donutCard, 14);
    const double dx = donutCard.x + 52;
    const double dy = donutCard.CenterY();
    const struct
    {
        double share;
        uint32_t rgb;
    } slices[] = {{0.58, kBrand}, {0.24, kMint}, {0.18, kAmber}};
    cairo_new_path(cr);
    Circle(cr, dx, dy, 30);
    Stroke(cr, 12, {kMist});
    double start = -M_PI / 2;
    for (const auto& slice : slices) {
        const double end = start + slice.share * 2 * M_PI;
        cairo_new_path(cr);
        cairo_arc(cr, dx, dy, 30, start + 0.09, end - 0.09);
        Stroke(cr, 12, {slice.rgb});
        start = end;
    }
    for (int i = 0; i < 3; ++i) {
        const double y = donutCard.y + 32 + i * 22;
        FillPath(
            cr, [&](cairo_t* c) { Circle(c, donutCard.x + 104, y, 4.5); }, Paint{slices[i].rgb});
        TextBar(cr, donutCard.x + 114, y - 3.5, i == 0 ? 40 : 30, 7, {kSlate});
    }

    // Growth badge above the donut card.
    const Rect badge{430, 52, 126, 48};
    Card(canvas, badge, 12);
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, badge.x + 24, badge.CenterY(), 13); }, Paint{kMint, 0.18});
    Arrow(cr, badge.x + 24, badge.CenterY() - 7, 14, 3, false, {kMint});
    TextBar(cr, badge.x + 46, badge.y + 14, 60, 8, {kBrand, 0.85});
    TextBar(cr, badge.x + 46, badge.y + 28, 40, 6, {kSlate});

    Sparkle(cr, 580, 150, 8, 0.85);
    Sparkle(cr, 60, 210, 7, 0.7);
    Sparkle(cr, 410, 30, 5, 0.6);
}

void DrawBannerCloud(const CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    DrawBackdrop(canvas, {325, -40, 610, -20, 130, 50, 250, 46, 560, 200});

    const double cx = 325;
    const double cy = 116;
    DashedCurve(cr, cx - 100, cy + 26, cx - 140, cy + 26, 170, cy + 26, 160, 160);
    DashedCurve(cr, cx + 100, cy + 26, cx + 140, cy + 26, 490, cy + 20, 490, 144);
    DashedCurve(cr, cx, cy + 52, cx, cy + 80, cx, cy + 90, cx, cy + 124);

    const auto cloud = [&](cairo_t* c) { CloudPath(c, cx, cy, 1.0); };
    DropShadow(canvas, cloud, 26, 0, 12, {kBrandDeep, 0.5});
    FillPath(cr, cloud, LinearGradient(0, cy - 76, 0, cy + 48, {{0, {kWhite}}, {1, {0xDCEAFF}}}));
    Arrow(cr, cx - 17, cy - 26, 44, 8, false, {kBrand});
    Arrow(cr, cx + 17, cy - 18, 44, 8, true, {kBrandLight});

    // Laptop at the left.
    const Rect screen{98, 166, 122, 76};
    Card(canvas, screen, 9);
    const Rect display{screen.x + 8, screen.y + 8, screen.w - 16, screen.h - 14};
    FillPath(
        cr, [&](cairo_t* c) { RoundedRect(c, display, 4); },
        LinearGradient(display.x, display.y, display.Right(), display.Bottom(),
                       {{0, {kBrandLight}}, {1, {kBrand}}}));
    TextBar(cr, display.x + 10, display.y + 12, 50, 7, {kWhite, 0.9});
    TextBar(cr, display.x + 10, display.y + 26, 34, 6, {kWhite, 0.55});
    ProgressBar(cr, {display.x + 10, display.Bottom() - 18, display.w - 20, 7}, 0.6);
    const Rect base{screen.x - 16, screen.Bottom() + 2, screen.w + 32, 9};
    FillPath(
        cr, [&](cairo_t* c) { RoundedRect(c, base, 4.5); },
        LinearGradient(0, base.y, 0, base.Bottom(), {{0, {kWhite}}, {1, {kSlate}}}));

    // Phone at the right.
    const Rect phone{462, 150, 56, 100};
    Card(canvas, phone, 12);
    const Rect phoneDisplay{phone.x + 5, phone.y + 12, phone.w - 10, phone.h - 24};
    FillPath(
        cr, [&](cairo_t* c) { RoundedRect(c, phoneDisplay, 5); },
        LinearGradient(0, phoneDisplay.y, 0, phoneDisplay.Bottom(), {{0, {kBrandLight}}, {1, {kBrandDark}}}));
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, phone.CenterX(), phoneDisplay.y + 26, 11); }, Paint{kWhite, 0.9});
    CheckMark(cr, phone.CenterX(), phoneDisplay.y + 26, 10, 2.6, {kMint});
    TextBar(cr, phoneDisplay.x + 8, phoneDisplay.y + 48, phoneDisplay.w - 16, 5, {kWhite, 0.7});
    TextBar(cr, phoneDisplay.x + 12, phoneDisplay.y + 58, phoneDisplay.w - 24, 5, {kWhite, 0.45});

    // A disk at the bottom centre, where the middle line lands.
    const Rect disk{cx - 36, cy + 124, 72, 38};
    Card(canvas, disk, 10);
    for (int i = 0; i < 2; ++i) {
        const double y = disk.y + 12 + i * 14;
        TextBar(cr, disk.x + 10, y - 2.5, 36, 5, {kSlate});
        FillPath(
            cr, [&](cairo_t* c) { Circle(c, disk.Right() - 14, y, 3.5); }, Paint{i == 0 ? kMint : kBrand});
    }

    Sparkle(cr, 470, 60, 9, 0.85);
    Sparkle(cr, 170, 76, 7, 0.75);
    Sparkle(cr, 590, 120, 5, 0.6);
}

void DrawBannerSpeed(const CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    DrawBackdrop(canvas, {540, 0, 80, 320, 130, 600, 60, 30, 40, 236});

    // Speed lines trailing the arrow badge.
    const struct
    {
        double y, x, length, width;
    } streaks[] = {{104, 84, 112, 6}, {126, 36, 150, 8}, {150, 14, 168, 10},
                   {174, 58, 128, 8}, {196, 104, 84, 6}, {84, 132, 50, 4}};
    for (const auto& s : streaks) {
        const Rect streak{s.x, s.y - s.width / 2, s.length, s.width};
        FillPath(
            cr, [&](cairo_t* c) { Pill(c, streak); },
            LinearGradient(streak.x, 0, streak.Right(), 0, {{0, {kWhite, 0}}, {1, {kWhite, 0.7}}}));
    }
    const double bx = 226;
    const double by = 150;
    const auto badge = [&](cairo_t* c) { Circle(c, bx, by, 38); };
    DropShadow(canvas, badge, 22, 0, 10, {kBrandDeep, 0.45});
    FillPath(cr, badge, LinearGradient(0, by - 38, 0, by + 38, {{0, {kWhite}}, {1, {0xDCEAFF}}}));
    Arrow(cr, bx, by - 18, 32, 8, true, {kBrand});
    Line(cr, bx - 16, by + 24, bx + 16, by + 24, 5, {kBrand});

    // Gauge at the right: a track, the reached arc, ticks and the needle.
    const double gx = 420;
    const double gy = 196;
    const double radius = 112;
    const double reached = 0.8;
    const auto dial = [&](cairo_t* c) {
        cairo_new_sub_path(c);
        cairo_arc(c, gx, gy, radius + 18, M_PI, 2 * M_PI);
        cairo_close_path(c);
    };
    FillPath(cr, dial, LinearGradient(0, gy - radius, 0, gy, {{0, {kWhite, 0.2}}, {1, {kWhite, 0.06}}}));
    cairo_new_path(cr);
    cairo_arc(cr, gx, gy, radius, M_PI, 2 * M_PI);
    Stroke(cr, 16, {kWhite, 0.22});
    cairo_new_path(cr);
    cairo_arc(cr, gx, gy, radius, M_PI, M_PI * (1 + reached));
    cairo_set_source(cr, LinearGradient(gx - radius, 0, gx + radius, 0, {{0, {kSky}}, {1, {kWhite}}}).get());
    cairo_set_line_width(cr, 16);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    for (int i = 0; i <= 10; ++i) {
        const double angle = M_PI * (1 + i / 10.0);
        const double inner = i % 5 == 0 ? radius - 34 : radius - 28;
        Line(cr, gx + inner * std::cos(angle), gy + inner * std::sin(angle),
             gx + (radius - 20) * std::cos(angle), gy + (radius - 20) * std::sin(angle), i % 5 == 0 ? 3.5 : 2,
             {kWhite, i % 5 == 0 ? 0.8 : 0.5});
    }
    const double needleAngle = M_PI * (1 + reached);
    const double nx = std::cos(needleAngle);
    const double ny = std::sin(needleAngle);
    const auto needle = [&](cairo_t* c) {
        cairo_move_to(c, gx + (radius - 30) * nx, gy + (radius - 30) * ny);
        cairo_line_to(c, gx - 7 * ny, gy + 7 * nx);
        cairo_line_to(c, gx + 7 * ny, gy - 7 * nx);
        cairo_close_path(c);
    };
    DropShadow(canvas, needle, 8, 0, 4, {kBrandDeep, 0.45});
    FillPath(cr, needle, Paint{kWhite});
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, gx, gy, 15); }, Paint{kWhite});
    FillPath(
        cr, [&](cairo_t* c) { Circle(c, gx, gy, 7); }, Paint{kBrand});

    // Readout under the gauge.
    const Rect readout{gx - 64, gy + 28, 128, 40};
    Card(canvas, readout, 12);
    ProgressBar(cr, {readout.x + 14, readout.CenterY() - 4, readout.w - 28, 8}, 0.8);

    Sparkle(cr, 300, 70, 9, 0.85);
    Sparkle(cr, 590, 100, 6, 0.7);
    Sparkle(cr, 150, 240, 6, 0.6);
}

} // namespace artwork
