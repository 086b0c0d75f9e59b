#include "ui/render/MarkupText.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <vector>

#include "ui/core/ResourceFont.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/UIAttributes.h"
#include "ui/core/WindowManager.h"
#include "ui/render/DrawEngine.h"
#include "ui/render/ImageDescription.h"

namespace SkinUI {

namespace {

std::atomic<int> g_nextMarkupFontId{kFirstMarkupFontId};

// Offsets and line heights are kept within this range so that no sum of them overflows.
constexpr int64_t kCoordinateLimit = 1 << 28;

int ClampCoordinate(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, -kCoordinateLimit, kCoordinateLimit));
}

constexpr int kMaxMarkupFontSize = 2048;

constexpr int kAlignTop = 0;
constexpr int kAlignCenter = 4;
constexpr int kAlignBottom = 8;

bool IsBlank(wchar_t ch)
{
    return ch != L'\0' && static_cast<uint32_t>(ch) <= 32;
}

bool IsTagOpen(wchar_t ch)
{
    return ch == L'{' || ch == L'<';
}

bool IsTagClose(wchar_t ch)
{
    return ch == L'}' || ch == L'>';
}

bool IsAsciiLetter(wchar_t ch)
{
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

// One tag: its letter, whether it closes, its argument text and where the text goes on after it.
struct Tag
{
    wchar_t letter = 0;
    bool closing = false;
    const wchar_t* args = nullptr;
    const wchar_t* argsEnd = nullptr;
    const wchar_t* next = nullptr;

    CStringUI Args() const { return CStringUI(args, static_cast<int>(argsEnd - args)); }
};

bool ReadTag(const wchar_t* p, Tag& tag)
{
    if (!IsTagOpen(p[0]))
        return false;
    const wchar_t* q = p + 1;
    tag.closing = *q == L'/';
    if (tag.closing)
        ++q;
    if (*q < L'a' || *q > L'z')
        return false;
    tag.letter = *q++;
    if (!tag.closing && !IsBlank(*q) && !IsTagClose(*q))
        return false;
    while (IsBlank(*q))
        ++q;
    tag.args = q;
    while (*q != L'\0' && !IsTagClose(*q))
        ++q;
    tag.argsEnd = q;
    tag.next = *q != L'\0' ? q + 1 : q;
    return true;
}

bool IsRawEnd(const wchar_t* p)
{
    return IsTagOpen(p[0]) && p[1] == L'/' && p[2] == L'r';
}

// The character an escape sequence stands for, or 0.
wchar_t ReadEscape(const wchar_t* p)
{
    if (p[0] == L'\0' || p[1] == L'\0' || p[2] == L'\0')
        return 0;
    if (p[0] == L'<' && p[2] == L'>' && (p[1] == L'{' || p[1] == L'}'))
        return p[1];
    if (p[0] == L'{' && p[2] == L'}' && (p[1] == L'<' || p[1] == L'>'))
        return p[1];
    return 0;
}

// Signed 32-bit hexadecimal with an optional "#", saturating at the ends of the range.
int32_t ReadSignedHex(const wchar_t* p)
{
    if (*p == L'#')
        ++p;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-')
        negative = *p++ == L'-';
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X'))
        p += 2;
    int64_t value = 0;
    for (;; ++p) {
        int digit;
        if (*p >= L'0' && *p <= L'9')
            digit = *p - L'0';
        else if (*p >= L'a' && *p <= L'f')
            digit = *p - L'a' + 10;
        else if (*p >= L'A' && *p <= L'F')
            digit = *p - L'A' + 10;
        else
            break;
        value = std::min<int64_t>(value * 16 + digit, int64_t{1} << 32);
    }
    if (negative)
        value = -value;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// One call of DrawMarkupText: the layout state and the two passes over each line.
class CMarkupLayout
{
public:
    CMarkupLayout(plat::CDeviceContext* dc, CWindowManagerUI* manager, RectUI& rect, ColorUI color,
                  RectUI* linkRects, CStringUI* linkTargets, int& linkCount, int font, unsigned format)
        : m_dc(dc), m_manager(manager), m_rect(rect), m_outRect(rect), m_linkRects(linkRects),
          m_linkTargets(linkTargets), m_linkCount(linkCount),
          m_capacity(linkRects != nullptr && linkTargets != nullptr ? std::max(0, linkCount) : 0),
          m_format(format), m_drawing((format & plat::kDT_CalcRect) == 0),
          m_singleLine((format & plat::kDT_SingleLine) != 0)
    {
        m_baseColor = color & 0x00FFFFFFu;
        m_baseFont = manager->FontRecordById(font);
    }

    void Run(const CStringUI& text);

private:
    struct LineState
    {
        const wchar_t* position = nullptr;
        std::vector<FontRecord*> fonts;
        std::vector<ColorUI> colors;
        std::vector<int> extras;
        std::vector<int> aligns;
        bool inRaw = false;
        bool inSelected = false;
        bool inLink = false;
        int linkIndex = 0;
    };

    // ---- stacks
    FontRecord* TopFont() const { return m_fonts.empty() ? m_baseFont : m_fonts.back(); }
    ColorUI TopColor() const { return m_colors.empty() ? m_baseColor : m_colors.back(); }
    int TopExtra() const { return m_extras.empty() ? 0 : m_extras.back(); }
    int TopAlign() const { return m_aligns.empty() ? kAlignBottom : m_aligns.back(); }
    const plat::TextMetrics& Metrics() const { return TopFont()->handle->Metrics(); }
    int FontLineHeight() const { return Metrics().height + Metrics().externalLeading; }

    void PushFont(FontRecord* record);
    void PopFont();
    FontRecord* Variant(bool bold, bool underline, bool italic);
    FontRecord* CachedOrNewFont(const CStringUI& face, int size, bool bold, bool underline, bool italic);
    void ApplyColor() { m_dc->SetTextColor(TopColor()); }

    // ---- lines
    void SaveLine();
    void RestoreLine();
    bool EndLine(bool atEnd);
    void FinishMeasuredLine();
    void StartLinkSegment();

    // ---- elements
    void HandleTag(const Tag& tag, const wchar_t* tagStart);
    void HandleLinkOpen(const Tag& tag);
    void HandleLinkClose();
    void HandleFontTag(const Tag& tag);
    void HandleImage(const Tag& tag, const wchar_t* tagStart);
    void HandleBlank();
    void HandleRun();
    void DrawRun(int runX, std::wstring_view run, bool ellipsis);
    int TextY(int height) const;
    int WidthOf(std::wstring_view text) const { return m_dc->GetTextExtent(text).cx; }

    bool DrawPass() const { return m_drawing && m_drawPass; }
    void NoteX()
    {
        m_widest = std::max(m_widest, m_x);
        m_lineRight = std::max(m_lineRight, m_x);
    }

    plat::CDeviceContext* m_dc;
    CWindowManagerUI* m_manager;
    RectUI m_rect;
    RectUI& m_outRect;
    RectUI* m_linkRects;
    CStringUI* m_linkTargets;
    int& m_linkCount;
    int m_capacity;
    unsigned m_format;
    bool m_drawing;
    bool m_singleLine;

    FontRecord* m_baseFont = nullptr;
    ColorUI m_baseColor = 0;
    CStringUI m_hoverTarget;
    bool m_hasHover = false;

    const wchar_t* m_p = nullptr;
    int m_x = 0;
    int m_y = 0;
    std::vector<FontRecord*> m_fonts;
    std::vector<ColorUI> m_colors;
    std::vector<int> m_extras;
    std::vector<int> m_aligns;
    int m_lineHeight = 0;
    int m_measuredWidth = 0;
    int m_measuredHeight = 0;
    int m_lineRight = 0;
    int m_offset = 0;
    bool m_drawPass = false;
    bool m_inLink = false;
    bool m_inRaw = false;
    bool m_inSelected = false;
    bool m_lineEnd = false;
    bool m_stop = false;
    PointUI m_linkStart;
    int m_linkIndex = 0;
    int m_lineFirstLink = 0;
    int m_filled = 0;
    int m_widest = 0;
    int m_lowestImage = 0;
    LineState m_saved;
};

void CMarkupLayout::PushFont(FontRecord* record)
{
    if (record == nullptr || !record->handle)
        record = TopFont();
    m_fonts.push_back(record);
    m_dc->SelectFont(record->handle.get());
    m_lineHeight = std::max(m_lineHeight, TopExtra() + FontLineHeight());
}

void CMarkupLayout::PopFont()
{
    if (m_fonts.empty())
        return;
    FontRecord* popped = m_fonts.back();
    m_fonts.pop_back();
    const bool wasItalic = popped->handle->Metrics().italic;
    if (wasItalic && !TopFont()->handle->Metrics().italic)
        m_x = ClampCoordinate(int64_t{m_x} + popped->handle->CharAbcWidths(L' ').c / 2);
    m_dc->SelectFont(TopFont()->handle.get());
}

FontRecord* CMarkupLayout::CachedOrNewFont(const CStringUI& face, int size, bool bold, bool underline,
                                           bool italic)
{
    FontHandleUI handle = m_manager->FindCachedFont(face.GetData(), size, bold, underline, italic);
    if (handle == nullptr)
        handle =
            m_manager->CacheFont(NextMarkupFontId(), face.GetData(), size, bold, underline, italic, false);
    if (handle == nullptr)
        return nullptr;
    return m_manager->FontRecordByHandle(handle);
}

FontRecord* CMarkupLayout::Variant(bool bold, bool underline, bool italic)
{
    const FontRecord* current = TopFont();
    if (current->bold == bold && current->underline == underline && current->italic == italic)
        return TopFont();
    return CachedOrNewFont(current->face, current->size, bold, underline, italic);
}

void CMarkupLayout::SaveLine()
{
    m_saved.position = m_p;
    m_saved.fonts = m_fonts;
    m_saved.colors = m_colors;
    m_saved.extras = m_extras;
    m_saved.aligns = m_aligns;
    m_saved.inRaw = m_inRaw;
    m_saved.inSelected = m_inSelected;
    m_saved.inLink = m_inLink;
    m_saved.linkIndex = m_linkIndex;
}

void CMarkupLayout::RestoreLine()
{
    m_p = m_saved.position;
    m_fonts = m_saved.fonts;
    m_colors = m_saved.colors;
    m_extras = m_saved.extras;
    m_aligns = m_saved.aligns;
    m_inRaw = m_saved.inRaw;
    m_inSelected = m_saved.inSelected;
    m_inLink = m_saved.inLink;
    m_linkIndex = m_saved.linkIndex;
    m_dc->SelectFont(TopFont()->handle.get());
    ApplyColor();
}

void CMarkupLayout::FinishMeasuredLine()
{
    if (m_inLink) {
        if (m_linkIndex < m_capacity) {
            m_linkRects[m_linkIndex] = {m_linkStart.x, m_linkStart.y, std::min(m_x, m_rect.right),
                                        m_y + m_lineHeight};
            m_filled = std::max(m_filled, m_linkIndex + 1);
        }
        ++m_linkIndex;
        if (m_linkIndex < m_capacity)
            m_linkTargets[m_linkIndex] = m_linkTargets[m_linkIndex - 1];
    }
    for (int i = m_lineFirstLink; i < std::min(m_linkIndex, m_capacity); ++i)
        m_linkRects[i].bottom = m_y + m_lineHeight;
}

// Called at a line's end; false when the whole call ends.
bool CMarkupLayout::EndLine(bool atEnd)
{
    if (*m_p == L'\n')
        ++m_p;
    if (!DrawPass()) {
        FinishMeasuredLine();
        m_measuredWidth = m_lineRight - m_rect.left;
        m_measuredHeight = m_lineHeight;
    } else if (m_inLink) {
        ++m_linkIndex;
    }
    if ((m_singleLine || atEnd || m_stop) && (!m_drawing || m_drawPass))
        return false;
    if (m_drawing) {
        m_drawPass = !m_drawPass;
        if (m_drawPass) {
            const int lineFirstLink = m_lineFirstLink, measuredEnd = std::min(m_linkIndex, m_capacity);
            RestoreLine();
            m_offset = 0;
            if (!m_singleLine && (m_format & plat::kDT_Center))
                m_offset = (m_rect.GetWidth() - m_measuredWidth) / 2;
            else if (!m_singleLine && (m_format & plat::kDT_Right))
                m_offset = m_rect.GetWidth() - m_measuredWidth;
            // Link segments sit where the line is drawn.
            for (int i = lineFirstLink; i < measuredEnd; ++i) {
                m_linkRects[i].left += m_offset;
                m_linkRects[i].right += m_offset;
            }
        }
    }
    m_x = m_rect.left;
    if (!DrawPass())
        m_y = ClampCoordinate(int64_t{m_y} + m_lineHeight);
    if (!DrawPass()) {
        m_offset = 0;
        m_lineFirstLink = m_linkIndex;
        if (m_drawing)
            SaveLine();
    }
    if (m_drawing && m_y >= m_rect.bottom)
        return false;
    StartLinkSegment();
    m_lineHeight = TopExtra() + FontLineHeight();
    m_lineRight = m_x;
    m_lineEnd = false;
    return m_x < m_rect.right;
}

void CMarkupLayout::StartLinkSegment()
{
    m_linkStart = {m_x, m_y};
}

int CMarkupLayout::TextY(int height) const
{
    const int lineHeight = DrawPass() ? m_measuredHeight : m_lineHeight;
    switch (TopAlign()) {
    case kAlignTop:
        return m_y;
    case kAlignCenter:
        return m_y + (lineHeight - Metrics().externalLeading - height) / 2;
    default:
        return m_y + lineHeight - height - Metrics().externalLeading;
    }
}

void CMarkupLayout::HandleLinkOpen(const Tag& tag)
{
    const CStringUI target = tag.Args();
    if (!m_drawPass && m_linkIndex < m_capacity)
        m_linkTargets[m_linkIndex] = target;
    const bool hovered = m_hasHover && target == m_hoverTarget;
    m_colors.push_back(m_manager->GetDefaultColor(hovered ? DefaultColorKind::LinkHoverTextColor
                                                          : DefaultColorKind::LinkTextColor) &
                       0x00FFFFFFu);
    ApplyColor();
    PushFont(Variant(TopFont()->bold, true, TopFont()->italic));
    m_inLink = true;
    StartLinkSegment();
}

void CMarkupLayout::HandleLinkClose()
{
    if (m_inLink) {
        if (!m_drawPass && m_linkIndex < m_capacity) {
            m_linkRects[m_linkIndex] = {m_linkStart.x, m_linkStart.y, m_x, m_y + FontLineHeight()};
            m_filled = std::max(m_filled, m_linkIndex + 1);
        }
        ++m_linkIndex;
        m_inLink = false;
    }
    if (!m_colors.empty())
        m_colors.pop_back();
    ApplyColor();
    PopFont();
}

void CMarkupLayout::HandleFontTag(const Tag& tag)
{
    const wchar_t* args = tag.args;
    if (*args >= L'0' && *args <= L'9') {
        PushFont(m_manager->FontRecordById(ParseInt(args)));
        return;
    }
    const wchar_t* faceEnd = args;
    while (faceEnd < tag.argsEnd && !IsBlank(*faceEnd))
        ++faceEnd;
    const CStringUI face(args, static_cast<int>(faceEnd - args));
    const wchar_t* rest = faceEnd;
    while (rest < tag.argsEnd && IsBlank(*rest))
        ++rest;
    int size = 10;
    const wchar_t* afterSize = rest;
    if (rest < tag.argsEnd && *rest >= L'0' && *rest <= L'9') {
        // The platform's fonts end at this height; asking for more only strains the rasteriser.
        size = std::min(ParseInt(rest, &afterSize), kMaxMarkupFontSize);
        if (afterSize > tag.argsEnd)
            afterSize = tag.argsEnd;
    }
    CStringUI style(afterSize, static_cast<int>(tag.argsEnd - afterSize));
    style.MakeLower();
    PushFont(CachedOrNewFont(face, size, style.Find(L"bold") >= 0, style.Find(L"underline") >= 0,
                             style.Find(L"italic") >= 0));
}

void CMarkupLayout::HandleImage(const Tag& tag, const wchar_t* tagStart)
{
    const CStringUI args = tag.Args();
    CStringUI name;
    CStringUI type;
    int count = 1;
    int index = 0;
    if (args.Find(L"file='") >= 0 || args.Find(L"res='") >= 0) {
        ImageDescriptionUI description;
        ParseImageDescriptionInto(args.GetData(), description);
        name = description.imageName;
        type = description.resourceType;
    } else {
        const wchar_t* p = args.GetData();
        while (*p != L'\0' && !IsBlank(*p))
            ++p;
        name = CStringUI(args.GetData(), static_cast<int>(p - args.GetData()));
        const wchar_t* end = p;
        if (*p != L'\0') {
            count = ParseInt(p, &end);
            if (*end != L'\0')
                index = ParseInt(end);
        }
    }
    count = std::max(count, 1);
    if (index < 0 || index >= count)
        index = 0;
    CachedImage* image =
        m_manager->FindOrLoadImage(name.GetData(), type.IsEmpty() ? nullptr : type.GetData(), 0, false);
    if (image == nullptr || !image->bitmap)
        return;
    const int frameWidth = image->width / count;
    const int height = image->height;
    if (!(m_x + int64_t{frameWidth} <= m_rect.right || m_x == m_rect.left || m_singleLine)) {
        m_lineEnd = true;
        m_p = tagStart;
        return;
    }
    if (DrawPass()) {
        int top = m_y;
        if (TopAlign() == kAlignBottom)
            top = m_y + m_measuredHeight - height;
        else if (TopAlign() == kAlignCenter)
            top = m_y + (m_measuredHeight - height) / 2;
        const RectUI dest{m_x + m_offset, top, m_x + m_offset + frameWidth, top + height};
        const RectUI source{frameWidth * index, 0, frameWidth * (index + 1), height};
        CDrawEngine::DrawImageParts(m_dc, image->bitmap.get(), dest, dest, source, {}, image->hasAlpha, 255,
                                    false, false, false);
    }
    m_lineHeight = std::max(m_lineHeight, height);
    m_x = ClampCoordinate(int64_t{m_x} + frameWidth);
    m_lowestImage = std::max(m_lowestImage, m_y + height);
    NoteX();
}

void CMarkupLayout::HandleTag(const Tag& tag, const wchar_t* tagStart)
{
    m_p = tag.next;
    switch (tag.letter) {
    case L'a':
        if (tag.closing)
            HandleLinkClose();
        else
            HandleLinkOpen(tag);
        break;
    case L'b':
        if (tag.closing)
            PopFont();
        else
            PushFont(Variant(true, TopFont()->underline, TopFont()->italic));
        break;
    case L'c':
        if (tag.closing) {
            if (!m_colors.empty())
                m_colors.pop_back();
        } else {
            m_colors.push_back(static_cast<uint32_t>(ReadSignedHex(tag.args)) & 0x00FFFFFFu);
        }
        ApplyColor();
        break;
    case L'f':
        if (tag.closing)
            PopFont();
        else
            HandleFontTag(tag);
        break;
    case L'i':
        if (tag.closing)
            PopFont();
        else if (tag.args < tag.argsEnd)
            HandleImage(tag, tagStart);
        else
            PushFont(Variant(TopFont()->bold, TopFont()->underline, true));
        break;
    case L'n':
        if (!tag.closing && !m_singleLine)
            m_lineEnd = true;
        break;
    case L'p':
        if (m_x > m_rect.left)
            m_lineEnd = true;
        if (tag.closing) {
            if (!m_extras.empty())
                m_extras.pop_back();
        } else {
            m_extras.push_back(ClampCoordinate(ParseInt(tag.args)));
        }
        m_lineHeight = std::max(m_lineHeight, TopExtra() + FontLineHeight());
        break;
    case L'r':
        m_inRaw = !tag.closing;
        break;
    case L's':
        m_inSelected = !m_inSelected;
        break;
    case L'u':
        if (tag.closing)
            PopFont();
        else
            PushFont(Variant(TopFont()->bold, true, TopFont()->italic));
        break;
    case L'v':
        if (tag.closing) {
            if (!m_aligns.empty())
                m_aligns.pop_back();
        } else {
            const CStringUI word = tag.Args();
            m_aligns.push_back(word.Left(3) == L"top"                 ? kAlignTop
                               : word.Left(6).EqualsNoCase(L"center") ? kAlignCenter
                                                                      : kAlignBottom);
        }
        break;
    case L'x':
        if (!tag.closing)
            m_x = ClampCoordinate(int64_t{m_x} + ParseInt(tag.args));
        break;
    case L'y':
        if (!tag.closing)
            m_lineHeight = ClampCoordinate(ParseInt(tag.args));
        break;
    default:
        break;
    }
}

void CMarkupLayout::DrawRun(int runX, std::wstring_view run, bool ellipsis)
{
    if (!DrawPass())
        return;
    m_dc->SetBkMode(m_inSelected ? plat::kBk_Opaque : plat::kBk_Transparent);
    const int y = TextY(Metrics().height);
    m_dc->TextOut(runX + m_offset, y, run);
    if (ellipsis)
        m_dc->TextOut(runX + m_offset + WidthOf(run), y, L"...");
}

void CMarkupLayout::HandleBlank()
{
    const int runX = m_x;
    ++m_p;
    DrawRun(runX, L" ", false);
    m_x = ClampCoordinate(int64_t{m_x} + WidthOf(L" "));
    NoteX();
}

void CMarkupLayout::HandleRun()
{
    const wchar_t* start = m_p;
    const wchar_t* end = m_p;
    // The first character may be a "{" or "<" that opens no tag.
    if (!m_inRaw && IsTagOpen(*end))
        ++end;
    while (*end != L'\0' && *end != L'\n' && !(m_inRaw ? IsRawEnd(end) : IsTagOpen(*end)))
        ++end;
    if (end == start)
        ++end;
    // Characters join one by one; the run is measured once count x the widest character reaches the
    // edge, and the first count whose measured width passes it is where the run overflows.
    const int maxWidth = std::max(1, Metrics().maxCharWidth);
    const int64_t room = int64_t{m_rect.right} - m_x;
    const int total = static_cast<int>(end - start);
    const auto passes = [&](int n) { return WidthOf({start, static_cast<size_t>(n)}) > room; };
    const int64_t firstMeasured = std::max<int64_t>(1, (room + maxWidth - 1) / maxWidth);
    int count = total;
    bool overflow = false;
    if (firstMeasured <= total && passes(total)) {
        int lo = static_cast<int>(firstMeasured), hi = total;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (passes(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        count = lo;
        overflow = true;
    }
    bool ellipsis = false;
    if (overflow) {
        if (count > 1)
            --count;
        if (m_format & plat::kDT_WordBreak) {
            for (int k = count; k >= 1; --k) {
                if (!IsAsciiLetter(start[k - 1])) {
                    count = k;
                    break;
                }
            }
        }
        if ((m_format & plat::kDT_EndEllipsis) && count >= 1) {
            count -= count >= 2 ? 2 : 1;
            ellipsis = true;
        }
        m_lineEnd = true;
        // A line that cannot take a single character ends the call instead of repeating forever.
        if (count == 0 && m_x == m_rect.left)
            m_stop = true;
    }
    const std::wstring_view run(start, static_cast<size_t>(count));
    const int runX = m_x;
    DrawRun(runX, run, ellipsis);
    m_p = start + count;
    m_x = ellipsis ? std::max(m_rect.right, m_x) : ClampCoordinate(int64_t{m_x} + WidthOf(run));
    NoteX();
}

void CMarkupLayout::Run(const CStringUI& text)
{
    m_p = text.GetData();
    m_x = m_rect.left;
    m_y = m_rect.top;
    m_widest = m_rect.left;
    m_lowestImage = m_rect.top;
    m_lineRight = m_x;

    if (m_capacity > 0) {
        const PointUI mouse = MarkupMousePoint(m_manager);
        for (int i = 0; i < m_capacity; ++i) {
            if (m_linkRects[i].Contains(mouse)) {
                m_hoverTarget = m_linkTargets[i];
                m_hasHover = true;
                break;
            }
        }
    }

    m_lineHeight = FontLineHeight() + TopExtra();
    StartLinkSegment();
    if (m_drawing)
        SaveLine();

    for (;;) {
        const bool atEnd = *m_p == L'\0';
        if (atEnd || m_lineEnd || m_x >= m_rect.right || *m_p == L'\n') {
            if (!EndLine(atEnd))
                break;
            continue;
        }
        Tag tag;
        if (m_inRaw) {
            if (IsRawEnd(m_p) && ReadTag(m_p, tag)) {
                m_p = tag.next;
                m_inRaw = false;
            } else {
                HandleRun();
            }
        } else if (const wchar_t escaped = ReadEscape(m_p)) {
            const int runX = m_x;
            const wchar_t ch[1] = {escaped};
            DrawRun(runX, {ch, 1}, false);
            m_x = ClampCoordinate(int64_t{m_x} + WidthOf({ch, 1}));
            m_p += 3;
            NoteX();
        } else if (ReadTag(m_p, tag)) {
            HandleTag(tag, m_p);
        } else if (*m_p == L' ') {
            HandleBlank();
        } else {
            HandleRun();
        }
        if (m_x >= m_rect.right || *m_p == L'\n' || *m_p == L'\0')
            m_lineEnd = true;
    }

    m_linkCount = m_filled;
    if (!m_drawing) {
        m_outRect.bottom = std::max(m_lowestImage, ClampCoordinate(int64_t{m_y} + m_lineHeight));
        m_outRect.right = std::min(m_outRect.right, m_widest);
    }
}

} // namespace

int NextMarkupFontId()
{
    return g_nextMarkupFontId.fetch_add(1);
}

PointUI MarkupMousePoint(const CWindowManagerUI* manager)
{
    if (manager == nullptr)
        return {-1, -1};
    return manager->GetMousePos();
}

void CDrawEngine::DrawMarkupText(plat::CDeviceContext* dc, CWindowManagerUI* manager, RectUI& rect,
                                 const wchar_t* text, ColorUI color, RectUI* linkRects,
                                 CStringUI* linkTargets, int& linkCount, int font, unsigned format)
{
    const int capacity = linkCount;
    linkCount = 0;
    if (dc == nullptr || manager == nullptr || text == nullptr || rect.IsEmpty())
        return;
    FontRecord* base = manager->FontRecordById(font);
    if (base == nullptr || !base->handle)
        return;
    const bool drawing = (format & plat::kDT_CalcRect) == 0;
    const CStringUI expanded = CWindowManagerUI::ExpandLanguageTokens(text);
    const int saved = dc->Save();
    ClipState clip;
    if (drawing)
        clip = ClipToRect(dc, rect);
    dc->SelectFont(base->handle.get());
    dc->SetBkMode(plat::kBk_Transparent);
    dc->SetTextColor(color & 0x00FFFFFFu);
    dc->SetBkColor(manager->GetDefaultColor(DefaultColorKind::SelectedBackColor) & 0x00FFFFFFu);

    RectUI area = rect;
    const unsigned alignment = plat::kDT_Center | plat::kDT_Right | plat::kDT_VCenter | plat::kDT_Bottom;
    if (drawing && (format & alignment)) {
        const bool singleLine = (format & plat::kDT_SingleLine) != 0;
        RectUI extent =
            singleLine ? RectUI{0, 0, 9999, 100} : RectUI{0, 0, rect.GetWidth(), rect.GetHeight()};
        int none = 0;
        CMarkupLayout measure(dc, manager, extent, color, nullptr, nullptr, none, font,
                              format | plat::kDT_CalcRect);
        measure.Run(expanded);
        const int width = extent.GetWidth(), height = extent.GetHeight();
        if (singleLine && (format & plat::kDT_Center)) {
            area.left = area.left + area.GetWidth() / 2 - width / 2;
            area.right = area.left + width;
        } else if (singleLine && (format & plat::kDT_Right)) {
            area.left = area.right - width;
        }
        if (format & plat::kDT_VCenter) {
            area.top = area.top + area.GetHeight() / 2 - height / 2;
            area.bottom = area.top + height;
        } else if (format & plat::kDT_Bottom) {
            area.top = area.bottom - height;
        }
        dc->SelectFont(base->handle.get());
        dc->SetTextColor(color & 0x00FFFFFFu);
    }

    int count = capacity;
    CMarkupLayout layout(dc, manager, area, color, linkRects, linkTargets, count, font, format);
    layout.Run(expanded);
    linkCount = count;
    if (!drawing)
        rect = area;
    clip.Restore();
    dc->Restore(saved);
}

} // namespace SkinUI
