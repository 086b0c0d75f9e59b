#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Graphics.h"
#include "platform/Resources.h"
#include "ui/core/ResourceFont.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/ResourceTable.h"
#include "ui/core/UIColor.h"
#include "ui/core/UIGeometry.h"
#include "ui/core/UIString.h"

namespace SkinUI {

class CSkinArchiveUI;

// The window's default colours; each is held per window and process-wide.
enum class DefaultColorKind : int
{
    DisabledTextColor = 0,
    TextColor,
    LinkTextColor,
    LinkHoverTextColor,
    SelectedBackColor,
};
inline constexpr int kDefaultColorCount = 5;

// The default colours of every new window manager until a program changes them.
struct DefaultColorsUI
{
    ColorUI colors[kDefaultColorCount] = {0xFFA7A6AA, 0xFF000000, 0xFF0000FF, 0xFFD3215F, 0xFFBAE4FF};

    ColorUI& operator[](DefaultColorKind kind) { return colors[static_cast<int>(kind)]; }
    ColorUI operator[](DefaultColorKind kind) const { return colors[static_cast<int>(kind)]; }
};

// The per-window and process-wide resource tables of one kind each.
struct ResourceTablesUI
{
    CResourceTableUI<FontRecord> fonts;
    CResourceTableUI<CachedImage> images;
    CResourceTableUI<CStringUI> attributeLists;
};

// Everything one skinned window shares between its controls: the control tree, its device
// contexts and the caches of fonts, images and default attribute lists. Next to the per-window
// tables there is one process-wide ("shared") set, and the process-wide resource settings that
// say where skin files and images come from.
class CWindowManagerUI
{
public:
    CWindowManagerUI();
    CWindowManagerUI(const CWindowManagerUI&) = delete;
    CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;
    ~CWindowManagerUI();

    // ---- Process-wide resource settings -------------------------------------------------------

    static void SetProgramInstance(plat::ModuleHandle instance);
    static plat::ModuleHandle ProgramInstance();
    // The module whose embedded resources are read: the program instance.
    static plat::ModuleHandle ResourceModule();
    // The folder of the program file, ending in a separator; empty without a program instance.
    static CStringUI ProgramFolder();
    // Kept with a trailing separator: one is appended unless the path is empty or ends in one.
    static void SetResourceFolder(const wchar_t* path);
    static const CStringUI& ResourceFolder();
    // Names the ZIP skin archive in the resource folder; an empty name reads from the folder.
    // With keepOpen the archive is opened now and held.
    static void SetSkinArchive(const wchar_t* name, bool keepOpen);
    // A skin archive held in memory and read in place: the bytes must outlive the archive. Only the
    // first bytes given count.
    static void SetSkinArchiveBytes(const void* bytes, size_t size);
    static const CStringUI& SkinArchiveName();
    static bool SkinArchiveKeptOpen();
    static CSkinArchiveUI* SkinArchiveHandle();

    // ---- Images ---------------------------------------------------------------------------------

    // Loads the image and stores it under its name in the window's table, or in the shared table
    // when shared (or forced); an image stored under that name before is freed. Null on failure.
    CachedImage* CacheImage(const wchar_t* name, const wchar_t* type, ColorUI maskColour, bool keepSource,
                            bool shared);
    // The window's table first, then the shared table.
    CachedImage* FindImage(const wchar_t* name);
    // Loads on first use into the window's table.
    CachedImage* FindOrLoadImage(const wchar_t* name, const wchar_t* type, ColorUI maskColour,
                                 bool keepSource);
    void ReleaseImages(bool shared);

    // ---- Fonts ----------------------------------------------------------------------------------

    FontHandleUI CacheFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic,
                           bool shared);
    // Unknown and negative ids give the default font.
    FontHandleUI FontById(int id);
    FontRecord* FontRecordById(int id);
    FontRecord* FontRecordByHandle(FontHandleUI handle);
    FontHandleUI FindCachedFont(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    // The window's own default font once one is set, else the process-wide one.
    FontRecord* DefaultFontRecord();
    void SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic, bool shared);
    void ReleaseFonts(bool shared);

    // ---- Default colours ------------------------------------------------------------------------

    ColorUI GetDefaultColor(DefaultColorKind kind) const;
    static ColorUI SharedDefaultColor(DefaultColorKind kind);
    // A window value that still followed the process-wide one follows a process-wide change.
    void SetDefaultColor(DefaultColorKind kind, ColorUI color, bool shared);

    // ---- Default attribute lists ----------------------------------------------------------------

    void SetDefaultAttributes(const wchar_t* elementName, const wchar_t* list, bool shared);
    // The window's list first, then the shared one; null when there is none.
    const wchar_t* DefaultAttributesFor(const wchar_t* elementName);
    void ReleaseDefaultAttributes(bool shared);

    // ---- Language strings (process-wide) --------------------------------------------------------

    static void SetLanguageString(int id, const wchar_t* text);
    // Null when there is none.
    static const wchar_t* LanguageString(int id);
    static void ReleaseLanguageStrings();
    // Replaces every "%{n}" whose string n exists; other tokens stay as written.
    static CStringUI ExpandLanguageTokens(const wchar_t* text);

    // ---- Resource routing -----------------------------------------------------------------------

    // Sends every font, image and attribute list added to this window into the shared tables.
    void SetForceSharedResources(bool force) { m_forceSharedResources = force; }
    bool ForceSharedResources() const { return m_forceSharedResources; }

    // The device context fonts are measured with: the window's once it is bound; none before.
    void SetWindowDC(plat::CDeviceContext* dc) { m_windowDC = dc; }
    plat::CDeviceContext* WindowDC() const { return m_windowDC; }

    // ---- Mouse state ----------------------------------------------------------------------------

    // The last mouse position in client coordinates; (-1, -1) until the mouse has been seen.
    PointUI GetMousePos() const { return m_mousePoint; }
    void SetMousePos(PointUI point) { m_mousePoint = point; }

private:
    ResourceTablesUI& TablesFor(bool shared);
    bool GoesShared(bool shared) const { return shared || m_forceSharedResources; }
    FontRecord* FindFontRecord(int id);
    FontRecord* WithMetrics(FontRecord* record);

    plat::CDeviceContext* m_windowDC = nullptr;
    PointUI m_mousePoint{-1, -1};
    bool m_forceSharedResources = false;
    DefaultColorsUI m_defaultColors;
    FontRecord m_defaultFont;
    ResourceTablesUI m_resources;
};

} // namespace SkinUI
