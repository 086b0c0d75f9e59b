#include <cstring>
#include <cwchar>
#include <string>

#include "platform/System.h"
#include "platform/Types.h"
#include "ui/core/ResourceFiles.h"
#include "ui/core/ResourceShared.h"
#include "ui/core/UIAttributes.h"
#include "ui/core/WindowManager.h"

namespace SkinUI {

namespace {

CStringUI DecimalKey(int id)
{
    return CStringUI(std::to_wstring(id));
}

bool IsSeparator(wchar_t ch)
{
    return ch == plat::kPathSeparator || ch == plat::kForeignSeparator;
}

// The archive the current name stands for: the memory bytes for "membuffer", else a file in the
// resource folder.
std::unique_ptr<CSkinArchiveUI> OpenNamedArchive()
{
    SharedResourceState& state = SharedResources();
    if (state.skinArchiveName.IsEmpty())
        return nullptr;
    if (state.skinArchiveName == kMemoryArchiveName)
        return CSkinArchiveUI::OpenBytes(state.skinArchiveBytes, state.skinArchiveSize);
    const CStringUI path = state.resourceFolder + state.skinArchiveName;
    return CSkinArchiveUI::OpenFile(ResolveSkinPath(path.ToStdWString()));
}

std::unique_ptr<FontRecord> MakeFontRecord(const wchar_t* face, int size, bool bold, bool underline,
                                           bool italic)
{
    std::unique_ptr<plat::CFont> font =
        plat::CFont::Create(MakeFontDesc(face, size, bold, underline, italic));
    if (!font)
        return nullptr;
    auto record = std::make_unique<FontRecord>();
    record->handle = std::move(font);
    record->face = face ? face : L"";
    record->size = size;
    record->bold = bold;
    record->underline = underline;
    record->italic = italic;
    return record;
}

} // namespace

SharedResourceState& SharedResources()
{
    static SharedResourceState state;
    return state;
}

void PrepareSharedDefaults()
{
    SharedResourceState& state = SharedResources();
    if (state.defaultsReady)
        return;
    state.defaultsReady = true;
    const plat::FontDesc stock = plat::StockGuiFont();
    FontRecord& record = state.defaultFont;
    record.handle = plat::CFont::Create(stock);
    record.face = stock.face;
    record.size = -stock.height;
    record.bold = stock.weight >= plat::kFW_Bold;
    record.underline = stock.underline;
    record.italic = stock.italic;
}

// ---- Process-wide resource settings -----------------------------------------------------------

void CWindowManagerUI::SetProgramInstance(plat::ModuleHandle instance)
{
    SharedResources().programInstance = instance;
}

plat::ModuleHandle CWindowManagerUI::ProgramInstance()
{
    return SharedResources().programInstance;
}

plat::ModuleHandle CWindowManagerUI::ResourceModule()
{
    return SharedResources().programInstance;
}

CStringUI CWindowManagerUI::ProgramFolder()
{
    if (ProgramInstance() == nullptr)
        return {};
    const std::wstring path = plat::GetModulePath();
    const size_t cut = path.find_last_of(plat::kPathSeparator);
    if (cut == std::wstring::npos)
        return {};
    return CStringUI(path.c_str(), static_cast<int>(cut + 1));
}

void CWindowManagerUI::SetResourceFolder(const wchar_t* path)
{
    CStringUI& folder = SharedResources().resourceFolder;
    folder = path ? path : L"";
    if (!folder.IsEmpty() && !IsSeparator(folder[folder.GetLength() - 1]))
        folder += plat::kPathSeparator;
}

const CStringUI& CWindowManagerUI::ResourceFolder()
{
    return SharedResources().resourceFolder;
}

void CWindowManagerUI::SetSkinArchive(const wchar_t* name, bool keepOpen)
{
    SharedResourceState& state = SharedResources();
    const wchar_t* text = name ? name : L"";
    if (state.skinArchiveName == text && state.skinArchiveKeptOpen == keepOpen)
        return;
    state.skinArchive.reset();
    state.skinArchiveName = text;
    state.skinArchiveKeptOpen = keepOpen;
    if (keepOpen)
        state.skinArchive = OpenNamedArchive();
}

void CWindowManagerUI::SetSkinArchiveBytes(const void* bytes, size_t size)
{
    SharedResourceState& state = SharedResources();
    if (state.skinArchiveName == kMemoryArchiveName)
        return;
    state.skinArchive.reset();
    state.skinArchiveName = kMemoryArchiveName;
    state.skinArchiveBytes = bytes;
    state.skinArchiveSize = size;
    if (state.skinArchiveKeptOpen)
        state.skinArchive = OpenNamedArchive();
}

const CStringUI& CWindowManagerUI::SkinArchiveName()
{
    return SharedResources().skinArchiveName;
}

bool CWindowManagerUI::SkinArchiveKeptOpen()
{
    return SharedResources().skinArchiveKeptOpen;
}

CSkinArchiveUI* CWindowManagerUI::SkinArchiveHandle()
{
    return SharedResources().skinArchive.get();
}

// ---- Tables -----------------------------------------------------------------------------------

ResourceTablesUI& CWindowManagerUI::TablesFor(bool shared)
{
    return shared ? SharedResources().tables : m_resources;
}

// ---- Images -----------------------------------------------------------------------------------

CachedImage* CWindowManagerUI::CacheImage(const wchar_t* name, const wchar_t* type, ColorUI maskColour,
                                          bool keepSource, bool shared)
{
    if (name == nullptr || name[0] == 0)
        return nullptr;
    const bool typed = type != nullptr && type[0] != 0;
    // A colour's hexadecimal text may begin with a digit without being a resource id.
    const bool byId = typed && std::wcscmp(type, kColorImageType) != 0 && name[0] >= L'0' && name[0] <= L'9';
    std::unique_ptr<CachedImage> image;
    if (byId) {
        const int32_t id = ParseInt(name);
        image = LoadImageData(ImageNameOrIdUI(static_cast<uint16_t>(id > 0 && id <= 0xFFFF ? id : 0)), type,
                              maskColour);
    } else {
        image = LoadImageData(ImageNameOrIdUI(name), typed ? type : nullptr, maskColour);
    }
    if (!image)
        return nullptr;
    image->keepsSource = keepSource;
    image->resourceType = typed ? type : L"";
    image->maskColour = maskColour;
    if (keepSource) {
        const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
        image->sourcePixels = std::make_unique<uint32_t[]>(count);
        std::memcpy(image->sourcePixels.get(), image->pixels, count * sizeof(uint32_t));
    }
    return TablesFor(GoesShared(shared)).images.Set(name, std::move(image));
}

CachedImage* CWindowManagerUI::FindImage(const wchar_t* name)
{
    if (name == nullptr)
        return nullptr;
    if (CachedImage* image = m_resources.images.Find(name))
        return image;
    return SharedResources().tables.images.Find(name);
}

CachedImage* CWindowManagerUI::FindOrLoadImage(const wchar_t* name, const wchar_t* type, ColorUI maskColour,
                                               bool keepSource)
{
    if (CachedImage* image = FindImage(name))
        return image;
    return CacheImage(name, type, maskColour, keepSource, false);
}

void CWindowManagerUI::ReleaseImages(bool shared)
{
    TablesFor(shared).images.RemoveAll();
}

// ---- Fonts ------------------------------------------------------------------------------------

FontRecord* CWindowManagerUI::WithMetrics(FontRecord* record)
{
    if (record != nullptr)
        FillFontMetrics(*record, m_windowDC);
    return record;
}

FontHandleUI CWindowManagerUI::CacheFont(int id, const wchar_t* face, int size, bool bold, bool underline,
                                         bool italic, bool shared)
{
    std::unique_ptr<FontRecord> record = MakeFontRecord(face, size, bold, underline, italic);
    if (!record)
        return nullptr;
    FillFontMetrics(*record, m_windowDC);
    CResourceTableUI<FontRecord>& table = TablesFor(GoesShared(shared)).fonts;
    const CStringUI key = DecimalKey(id);
    table.Remove(key.GetData());
    FontRecord* stored = table.Set(key.GetData(), std::move(record));
    return stored ? stored->handle.get() : nullptr;
}

FontRecord* CWindowManagerUI::FindFontRecord(int id)
{
    if (id < 0)
        return nullptr;
    const CStringUI key = DecimalKey(id);
    if (FontRecord* record = m_resources.fonts.Find(key.GetData()))
        return record;
    return SharedResources().tables.fonts.Find(key.GetData());
}

FontHandleUI CWindowManagerUI::FontById(int id)
{
    if (FontRecord* record = FindFontRecord(id))
        return record->handle.get();
    return DefaultFontRecord()->handle.get();
}

FontRecord* CWindowManagerUI::FontRecordById(int id)
{
    if (FontRecord* record = FindFontRecord(id))
        return WithMetrics(record);
    return DefaultFontRecord();
}

FontRecord* CWindowManagerUI::FontRecordByHandle(FontHandleUI handle)
{
    if (handle != nullptr) {
        const auto owns = [handle](const FontRecord& record) { return record.handle.get() == handle; };
        if (FontRecord* record = m_resources.fonts.FindIf(owns))
            return WithMetrics(record);
        if (FontRecord* record = SharedResources().tables.fonts.FindIf(owns))
            return WithMetrics(record);
    }
    return DefaultFontRecord();
}

FontHandleUI CWindowManagerUI::FindCachedFont(const wchar_t* face, int size, bool bold, bool underline,
                                              bool italic)
{
    const wchar_t* wanted = face ? face : L"";
    const auto matches = [&](const FontRecord& record) {
        return record.face == wanted && record.size == size && record.bold == bold &&
               record.underline == underline && record.italic == italic;
    };
    if (FontRecord* record = m_resources.fonts.FindIf(matches))
        return record->handle.get();
    if (FontRecord* record = SharedResources().tables.fonts.FindIf(matches))
        return record->handle.get();
    return nullptr;
}

FontRecord* CWindowManagerUI::DefaultFontRecord()
{
    PrepareSharedDefaults();
    FontRecord& record = m_defaultFont.face.IsEmpty() ? SharedResources().defaultFont : m_defaultFont;
    return WithMetrics(&record);
}

void CWindowManagerUI::SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic,
                                      bool shared)
{
    std::unique_ptr<FontRecord> made = MakeFontRecord(face, size, bold, underline, italic);
    if (!made)
        return;
    if (shared)
        PrepareSharedDefaults();
    FontRecord& target = shared ? SharedResources().defaultFont : m_defaultFont;
    target = std::move(*made);
    FillFontMetrics(target, m_windowDC);
}

void CWindowManagerUI::ReleaseFonts(bool shared)
{
    TablesFor(shared).fonts.RemoveAll();
}

// ---- Default colours --------------------------------------------------------------------------

ColorUI CWindowManagerUI::GetDefaultColor(DefaultColorKind kind) const
{
    return m_defaultColors[kind];
}

ColorUI CWindowManagerUI::SharedDefaultColor(DefaultColorKind kind)
{
    return SharedResources().defaultColors[kind];
}

void CWindowManagerUI::SetDefaultColor(DefaultColorKind kind, ColorUI color, bool shared)
{
    if (!shared) {
        m_defaultColors[kind] = color;
        return;
    }
    ColorUI& process = SharedResources().defaultColors[kind];
    if (m_defaultColors[kind] == process)
        m_defaultColors[kind] = color;
    process = color;
}

// ---- Default attribute lists ------------------------------------------------------------------

void CWindowManagerUI::SetDefaultAttributes(const wchar_t* elementName, const wchar_t* list, bool shared)
{
    if (elementName == nullptr || elementName[0] == 0)
        return;
    TablesFor(GoesShared(shared))
        .attributeLists.Set(elementName, std::make_unique<CStringUI>(list ? list : L""));
}

const wchar_t* CWindowManagerUI::DefaultAttributesFor(const wchar_t* elementName)
{
    if (elementName == nullptr)
        return nullptr;
    CStringUI* list = m_resources.attributeLists.Find(elementName);
    if (list == nullptr)
        list = SharedResources().tables.attributeLists.Find(elementName);
    return list ? list->GetData() : nullptr;
}

void CWindowManagerUI::ReleaseDefaultAttributes(bool shared)
{
    TablesFor(shared).attributeLists.RemoveAll();
}

// ---- Language strings -------------------------------------------------------------------------

void CWindowManagerUI::SetLanguageString(int id, const wchar_t* text)
{
    const CStringUI key = DecimalKey(id);
    SharedResources().languageStrings.Set(key.GetData(), std::make_unique<CStringUI>(text ? text : L""));
}

const wchar_t* CWindowManagerUI::LanguageString(int id)
{
    const CStringUI key = DecimalKey(id);
    const CStringUI* text = SharedResources().languageStrings.Find(key.GetData());
    return text ? text->GetData() : nullptr;
}

void CWindowManagerUI::ReleaseLanguageStrings()
{
    SharedResources().languageStrings.RemoveAll();
}

CStringUI CWindowManagerUI::ExpandLanguageTokens(const wchar_t* text)
{
    CStringUI result;
    if (text == nullptr)
        return result;
    // One pass over the text: a string's own tokens are not expanded again, so a string that
    // names itself cannot make the text grow without end.
    const wchar_t* p = text;
    while (*p != 0) {
        if (p[0] == L'%' && p[1] == L'{' && p[2] >= L'0' && p[2] <= L'9') {
            const wchar_t* digits = p + 2;
            const wchar_t* end = digits;
            while (*end >= L'0' && *end <= L'9')
                ++end;
            // More than ten digits name no 32-bit id.
            if (*end == L'}' && end - digits <= 10) {
                const CStringUI number(digits, static_cast<int>(end - digits));
                const int32_t id = ParseInt(number.GetData());
                if (const wchar_t* replacement = LanguageString(id)) {
                    result += replacement;
                    p = end + 1;
                    continue;
                }
            }
        }
        result += *p;
        ++p;
    }
    return result;
}

} // namespace SkinUI
