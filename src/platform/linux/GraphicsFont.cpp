#include <algorithm>
#include <cmath>
#include <mutex>
#include <sstream>
#include <unordered_map>

#include "platform/Text.h"
#include "platform/linux/GraphicsCairo.h"

namespace plat {

namespace {

constexpr int kStockHeight = 11;
constexpr int kMinWeight = 100;
// Larger requests are surely mistakes and would make every glyph a huge raster.
constexpr double kMaxEm = 2048;

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// One font map and context per thread: pango's objects are not shared across threads.
struct CThreadPango
{
    PangoFontMap* map = nullptr;
    PangoContext* context = nullptr;

    CThreadPango()
    {
        map = pango_cairo_font_map_new();
        context = pango_font_map_create_context(map);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        // Whole-pixel metrics keep measured extents and drawn text in step.
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
    }

    ~CThreadPango()
    {
        g_object_unref(context);
        g_object_unref(map);
    }
};

CThreadPango& ThreadPango()
{
    thread_local CThreadPango pango;
    return pango;
}

// Lower-cased names of every installed family, read once.
const std::vector<std::string>& InstalledFamilies()
{
    static std::once_flag once;
    static std::vector<std::string> families;
    std::call_once(once, [] {
        PangoFontFamily** list = nullptr;
        int count = 0;
        pango_font_map_list_families(ThreadPango().map, &list, &count);
        for (int i = 0; i < count; ++i)
            families.push_back(Lower(pango_font_family_get_name(list[i])));
        g_free(list);
        std::sort(families.begin(), families.end());
    });
    return families;
}

bool IsInstalled(const std::string& family)
{
    const auto& families = InstalledFamilies();
    return std::binary_search(families.begin(), families.end(), Lower(family));
}

const std::string& DefaultSansFamily()
{
    static const std::string family = IsInstalled("Noto Sans")     ? "Noto Sans"
                                      : IsInstalled("DejaVu Sans") ? "DejaVu Sans"
                                                                   : "sans-serif";
    return family;
}

struct StyleWord
{
    const char* word;
    int weight; // 0: not a weight word
    bool italic;
};

constexpr StyleWord kStyleWords[] = {
    {"thin", 100, false},  {"hairline", 100, false},  {"extralight", 200, false}, {"ultralight", 200, false},
    {"light", 300, false}, {"semilight", 350, false}, {"regular", 400, false},    {"normal", 400, false},
    {"book", 400, false},  {"medium", 500, false},    {"semibold", 600, false},   {"demibold", 600, false},
    {"demi", 600, false},  {"bold", 700, false},      {"extrabold", 800, false},  {"ultrabold", 800, false},
    {"black", 900, false}, {"heavy", 900, false},     {"italic", 0, true},        {"oblique", 0, true},
};

struct ResolvedFace
{
    std::string family;
    int nameWeight = 0;
    bool nameItalic = false;
};

ResolvedFace ResolveUncached(const std::string& face)
{
    if (face.empty())
        return {DefaultSansFamily()};
    if (IsInstalled(face))
        return {face};
    std::vector<std::string> words;
    std::istringstream in(face);
    for (std::string word; in >> word;)
        words.push_back(word);
    ResolvedFace resolved;
    while (!words.empty()) {
        const std::string last = Lower(words.back());
        const auto style = std::find_if(std::begin(kStyleWords), std::end(kStyleWords),
                                        [&](const StyleWord& s) { return last == s.word; });
        if (style == std::end(kStyleWords))
            break;
        if (style->weight && !resolved.nameWeight)
            resolved.nameWeight = style->weight;
        resolved.nameItalic |= style->italic;
        words.pop_back();
    }
    std::string base;
    for (const auto& word : words)
        base += (base.empty() ? "" : " ") + word;
    resolved.family = !base.empty() && IsInstalled(base) ? base : DefaultSansFamily();
    return resolved;
}

ResolvedFace Resolve(const std::string& face)
{
    static std::mutex mutex;
    static std::unordered_map<std::string, ResolvedFace> cache;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(face);
    if (it == cache.end())
        it = cache.emplace(face, ResolveUncached(face)).first;
    return it->second;
}

int EffectiveWeight(int requested, int nameWeight)
{
    if (requested <= 0)
        requested = kFW_Normal;
    int weight = nameWeight && requested <= kFW_Normal ? nameWeight : std::max(requested, nameWeight);
    // A bold request on a heavy stock weight must not reach a black face.
    return std::clamp(weight, kMinWeight, static_cast<int>(kFW_Bold));
}

int ToPixels(int pangoUnits)
{
    return static_cast<int>(std::lround(pangoUnits / static_cast<double>(PANGO_SCALE)));
}

struct LoadedMetrics
{
    int ascentUnits = 0;
    int descentUnits = 0;
    TextMetrics metrics;
};

bool LoadMetrics(const PangoFontDescription* desc, LoadedMetrics& out)
{
    CThreadPango& pango = ThreadPango();
    PangoFont* font = pango_font_map_load_font(pango.map, pango.context, desc);
    if (!font)
        return false;
    PangoFontMetrics* fm = pango_font_get_metrics(font, nullptr);
    out.ascentUnits = pango_font_metrics_get_ascent(fm);
    out.descentUnits = pango_font_metrics_get_descent(fm);
    TextMetrics& m = out.metrics;
    m.ascent = ToPixels(out.ascentUnits);
    m.descent = ToPixels(out.descentUnits);
    m.height = m.ascent + m.descent;
    m.externalLeading = std::max(0, ToPixels(pango_font_metrics_get_height(fm)) - m.height);
    m.aveCharWidth = ToPixels(pango_font_metrics_get_approximate_char_width(fm));
    cairo_font_extents_t extents{};
    if (cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font)))
        cairo_scaled_font_extents(scaled, &extents);
    m.maxCharWidth = static_cast<int>(std::ceil(extents.max_x_advance));
    pango_font_metrics_unref(fm);
    g_object_unref(font);
    return true;
}

} // namespace

PangoContext* ThreadPangoContext()
{
    return ThreadPango().context;
}

CFont::Impl::~Impl()
{
    if (pango)
        pango_font_description_free(pango);
}

CFont::CFont(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CFont::~CFont() = default;

std::unique_ptr<CFont> CFont::Create(const FontDesc& desc)
{
    auto impl = std::make_unique<Impl>();
    impl->desc = desc;
    const ResolvedFace face = Resolve(WideToUtf8(desc.face));
    impl->family = Utf8ToWide(face.family);
    impl->weight = EffectiveWeight(desc.weight, face.nameWeight);
    impl->pango = pango_font_description_new();
    pango_font_description_set_family(impl->pango, face.family.c_str());
    pango_font_description_set_weight(impl->pango, static_cast<PangoWeight>(impl->weight));
    pango_font_description_set_style(impl->pango, desc.italic || face.nameItalic ? PANGO_STYLE_ITALIC
                                                                                 : PANGO_STYLE_NORMAL);
    double em = desc.height < 0    ? -static_cast<double>(desc.height)
                : desc.height == 0 ? kStockHeight
                                   : desc.height;
    em = std::min(kMaxEm, em); // a skin's number must not overflow pango's fixed-point size
    pango_font_description_set_absolute_size(impl->pango, em * PANGO_SCALE);
    LoadedMetrics loaded;
    if (!LoadMetrics(impl->pango, loaded))
        return nullptr;
    if (desc.height > 0) {
        // A cell height: scale the em so that ascent + descent comes out at the asked height.
        const double cell = (loaded.ascentUnits + loaded.descentUnits) / static_cast<double>(PANGO_SCALE);
        if (cell > 0) {
            em = std::min(kMaxEm, em * em / cell);
            pango_font_description_set_absolute_size(impl->pango, em * PANGO_SCALE);
            if (!LoadMetrics(impl->pango, loaded))
                return nullptr;
        }
    }
    TextMetrics& m = loaded.metrics;
    m.internalLeading = std::max(0, m.height - static_cast<int>(std::lround(em)));
    // Fallback faces (CJK) advance a whole em; a smaller maximum would under-estimate their runs.
    m.maxCharWidth = std::max(m.maxCharWidth, static_cast<int>(std::ceil(em)));
    m.weight = impl->weight;
    m.italic = desc.italic || face.nameItalic;
    m.underlined = desc.underline;
    impl->metrics = m;
    return std::unique_ptr<CFont>(new CFont(std::move(impl)));
}

const FontDesc& CFont::Desc() const
{
    return m_impl->desc;
}
std::wstring CFont::Family() const
{
    return m_impl->family;
}
int CFont::Weight() const
{
    return m_impl->weight;
}
const TextMetrics& CFont::Metrics() const
{
    return m_impl->metrics;
}

AbcWidths CFont::CharAbcWidths(wchar_t ch) const
{
    PangoLayout* layout = pango_layout_new(ThreadPangoContext());
    pango_layout_set_font_description(layout, m_impl->pango);
    const std::string text = WideToUtf8(std::wstring_view(&ch, 1));
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    g_object_unref(layout);
    AbcWidths abc;
    if (ink.width > 0) {
        abc.a = ink.x - logical.x;
        abc.b = ink.width;
    }
    abc.c = logical.width - abc.a - abc.b;
    return abc;
}

FontDesc StockGuiFont()
{
    static const std::wstring face = [] {
        PangoFontDescription* desc = pango_font_description_from_string("sans-serif");
        CThreadPango& pango = ThreadPango();
        std::wstring family = Utf8ToWide(DefaultSansFamily());
        if (PangoFont* font = pango_font_map_load_font(pango.map, pango.context, desc)) {
            PangoFontDescription* described = pango_font_describe(font);
            if (const char* name = pango_font_description_get_family(described))
                family = Utf8ToWide(name);
            pango_font_description_free(described);
            g_object_unref(font);
        }
        pango_font_description_free(desc);
        return family;
    }();
    FontDesc desc;
    desc.face = face;
    desc.height = -kStockHeight;
    desc.weight = kFW_Normal;
    return desc;
}

} // namespace plat
