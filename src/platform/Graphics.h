#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Device contexts over 32-bit premultiplied B, G, R, A bitmaps, with fonts and text layout.
// Coordinates are device pixels; rectangles leave out their right and bottom edges.
// Colours are 0xAARRGGBB; calls that take an "Rgb" colour use only its low 24 bits.
namespace plat {

struct Point
{
    int32_t x = 0;
    int32_t y = 0;
};

struct Size
{
    int32_t cx = 0;
    int32_t cy = 0;
};

struct Rect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

using Color = uint32_t;

// Text-format flags of DrawText, with the classic numbering.
enum DrawTextFlag : unsigned
{
    kDT_Left = 0x0,
    kDT_Center = 0x1,
    kDT_Right = 0x2,
    kDT_VCenter = 0x4,
    kDT_Bottom = 0x8,
    kDT_WordBreak = 0x10,
    kDT_SingleLine = 0x20,
    kDT_NoClip = 0x100,
    kDT_CalcRect = 0x400,
    kDT_NoPrefix = 0x800,
    kDT_EndEllipsis = 0x8000,
};

// Pen styles with the classic numbering; kPS_InsideFrame is a solid pen that lies inside outlines.
enum PenStyle : int
{
    kPS_Solid = 0,
    kPS_Dash = 1,
    kPS_Dot = 2,
    kPS_DashDot = 3,
    kPS_DashDotDot = 4,
    kPS_Null = 5,
    kPS_InsideFrame = 6,
};

enum BackgroundMode : int
{
    kBk_Transparent = 1,
    kBk_Opaque = 2,
};

// What a clip or region query found.
enum RegionType : int
{
    kRegion_Error = 0,
    kRegion_Null = 1,
    kRegion_Simple = 2,
    kRegion_Complex = 3,
};

enum FontWeight : int
{
    kFW_DontCare = 0,
    kFW_Normal = 400,
    kFW_SemiBold = 600,
    kFW_Bold = 700,
};

// Dashed styles apply to one-pixel pens only; wider pens draw solid. Width 0 means 1.
struct Pen
{
    int style = kPS_Solid;
    int width = 1;
    Color rgb = 0;
    bool insideFrame = false;
};

// A 32-bit device-independent bitmap: premultiplied B, G, R, A bytes per pixel, rows of Stride() bytes.
class CBitmap
{
public:
    // Height below zero gives a top-down bitmap, above zero a bottom-up one (its first row in memory
    // is the bottom row). Pixels start at zero. Null for a zero or oversized dimension.
    static std::unique_ptr<CBitmap> CreateDib(int width, int height);
    // A top-down bitmap over pixels owned by the caller, which must outlive it.
    static std::unique_ptr<CBitmap> WrapPixels(void* pixels, int width, int height, int stride);
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    int Width() const;
    int Height() const;
    bool IsTopDown() const;
    // The first byte in memory and the positive distance between rows in memory.
    uint8_t* Bits();
    const uint8_t* Bits() const;
    int Stride() const;
    // Row y as seen on screen (0 = top), whichever way the rows lie in memory.
    uint32_t* Row(int y);
    const uint32_t* Row(int y) const;
    // Premultiplied 0xAARRGGBB of the pixel at (x, y) from the top; 0 outside the bitmap.
    uint32_t Pixel(int x, int y) const;
    // Tells the drawing layer that pixels were written through Bits() or Row().
    void MarkDirty();
    void Clear();
    bool SaveToPng(const std::string& path) const;

    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

private:
    explicit CBitmap(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// A set of pixels made of rectangles; copies are deep.
class CRegion
{
public:
    CRegion();
    explicit CRegion(const Rect& rect);
    ~CRegion();
    CRegion(const CRegion& other);
    CRegion& operator=(const CRegion& other);
    CRegion(CRegion&& other) noexcept;
    CRegion& operator=(CRegion&& other) noexcept;

    // Rounded rectangle with corner ellipses of the given diameters. Like the classic call it leaves
    // out the last column and row: pass right + 1 and bottom + 1 to cover a whole rectangle.
    static CRegion RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

    bool IsEmpty() const;
    bool Contains(int x, int y) const;
    // The bounding box, and whether the region is empty, one rectangle or more.
    RegionType Box(Rect& box) const;
    void Intersect(const CRegion& other);
    void Intersect(const Rect& rect);
    void Union(const CRegion& other);
    void Subtract(const CRegion& other);
    void Offset(int dx, int dy);
    std::vector<Rect> Rectangles() const;
    bool operator==(const CRegion& other) const;

    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

// What a font is asked for. height < 0: character (em) height; > 0: cell height (ascent + descent);
// 0: the stock height; heights are limited to 2048 pixels. Weights above bold are capped at bold.
struct FontDesc
{
    std::wstring face;
    int height = 0;
    int weight = kFW_Normal;
    bool italic = false;
    bool underline = false;
};

struct TextMetrics
{
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = 0;
    bool italic = false;
    bool underlined = false;
};

// Leading bearing, ink width and trailing spacing of one character; a + b + c is its advance.
struct AbcWidths
{
    int a = 0;
    int b = 0;
    int c = 0;
};

class CFont
{
public:
    // Null when no font at all can be loaded. Faces the machine lacks resolve to an installed sans face,
    // keeping the weight a style word in the name asks for ("Segoe UI Semibold").
    static std::unique_ptr<CFont> Create(const FontDesc& desc);
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    const FontDesc& Desc() const;
    // The installed family and the weight actually used.
    std::wstring Family() const;
    int Weight() const;
    const TextMetrics& Metrics() const;
    AbcWidths CharAbcWidths(wchar_t ch) const;
    // Characters of text that neither this font nor any installed fallback can show.
    int MissingGlyphs(std::wstring_view text) const;

    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

private:
    explicit CFont(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The stock GUI font: the system's sans-serif family at height -11, normal weight.
FontDesc StockGuiFont();

// A memory device context. Selected objects are not owned and must outlive their selection.
// Without a selected bitmap nothing is drawn; without a selected font the stock GUI font is used.
class CDeviceContext
{
public:
    static std::unique_ptr<CDeviceContext> CreateMemory();
    ~CDeviceContext();
    CDeviceContext(const CDeviceContext&) = delete;
    CDeviceContext& operator=(const CDeviceContext&) = delete;

    // Each returns what was selected before.
    CBitmap* SelectBitmap(CBitmap* bitmap);
    CFont* SelectFont(CFont* font);
    Color SetTextColor(Color rgb);
    Color SetBkColor(Color rgb);
    int SetBkMode(int mode);
    CBitmap* Bitmap() const;
    CFont* Font() const;
    Color TextColor() const;
    Color BkColor() const;
    int BkMode() const;

    // Saves bitmap, font, colours, background mode and clip; returns the new save depth (from 1).
    int Save();
    // saved > 0: back to the state Save returned that depth for; saved < 0: that many levels up.
    bool Restore(int saved = -1);

    // The clip box is the clip region within the bitmap (the whole bitmap when no clip is set).
    RegionType GetClipBox(Rect& box) const;
    // False when no clip region is set.
    bool GetClipRegion(CRegion& region) const;
    // Replaces the clip with a copy of region; null removes the clip. Returns the new clip's type.
    RegionType SelectClipRegion(const CRegion* region);
    RegionType IntersectClipRect(const Rect& rect);

    // Opaque fill with the colour's red, green and blue (alpha 255 is written).
    void FillSolidRect(const Rect& rect, Color rgb);
    // Pixel copy (alpha included) of w x h pixels from (srcX, srcY).
    bool BitBlt(int x, int y, int w, int h, const CBitmap& src, int srcX, int srcY);
    bool BitBlt(int x, int y, int w, int h, const CDeviceContext& src, int srcX, int srcY);
    // Copy scaled by nearest neighbour: eliminated rows and columns are dropped, never averaged.
    bool StretchBlt(const Rect& dst, const CBitmap& src, const Rect& srcRect);
    bool StretchBlt(const Rect& dst, const CDeviceContext& src, const Rect& srcRect);
    // Source-over of premultiplied pixels with a constant alpha, scaled by nearest neighbour:
    // dst = src * a / 255 + dst * (1 - srcAlpha * a / 255 / 255).
    bool AlphaBlend(const Rect& dst, const CBitmap& src, const Rect& srcRect, uint8_t constantAlpha);
    bool AlphaBlend(const Rect& dst, const CDeviceContext& src, const Rect& srcRect, uint8_t constantAlpha);
    // Writes a linear gradient of two 0xAARRGGBB colours, first at the top (vertical) or left edge,
    // second at the bottom or right edge.
    bool GradientFill(const Rect& rect, Color first, Color second, bool vertical);

    // Aliased; the end point is left out.
    void DrawLine(int x1, int y1, int x2, int y2, const Pen& pen);
    void DrawRectOutline(const Rect& rect, const Pen& pen);
    // Ellipse sizes are the corner ellipses' diameters.
    void DrawRoundRectOutline(const Rect& rect, int ellipseWidth, int ellipseHeight, const Pen& pen);

    TextMetrics GetTextMetrics() const;
    AbcWidths GetCharAbcWidths(wchar_t ch) const;
    // Width of the run and the font's height.
    Size GetTextExtent(std::wstring_view text) const;
    // x after each character of the run, from its start (for caret placement).
    std::vector<int> GetTextCaretPositions(std::wstring_view text) const;
    // Draws one line with its cell's top-left at (x, y); the opaque mode fills the cell first.
    void TextOut(int x, int y, std::wstring_view text);
    // Lays the text out in rect with kDT_ flags; returns the text's height. kDT_CalcRect only measures,
    // setting rect's right and bottom to the text's extent.
    int DrawText(std::wstring_view text, Rect& rect, unsigned format);

    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

private:
    explicit CDeviceContext(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace plat
