#include <optional>
#include <string_view>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
std::wstring DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian)
{
    std::wstring out;
    out.reserve((bytes.size() - start) / 2);
    auto unit = [&](size_t i) -> uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        out += static_cast<wchar_t>(cp);
    }
    return out;
}

std::optional<std::wstring> ReadProfileText(const std::wstring& file)
{
    std::string bytes;
    if (!ReadFileBytes(file, bytes))
        return std::nullopt;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return DecodeUtf16(bytes, 2, false);
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF')
        return DecodeUtf16(bytes, 2, true);
    std::string_view text = bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return Utf8ToWide(text);
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == L'\0';
}

std::wstring_view Trim(std::wstring_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

wchar_t FoldCase(wchar_t c)
{
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<wchar_t>(c + 0x20);
    if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F))
        return static_cast<wchar_t>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<wchar_t>(c + 0x50);
    return c;
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

std::wstring_view Unquote(std::wstring_view value)
{
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Calls visit(trimmed line) for every line of the first section of that name, in file order.
template <typename Visit>
void ForEachSectionLine(const std::wstring& text, std::wstring_view section, Visit visit)
{
    const std::wstring_view wanted = Trim(section);
    bool inSection = false;
    bool seenSection = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring_view line = Trim(std::wstring_view(text).substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == L'[') {
            if (inSection)
                return;
            const size_t close = line.find(L']');
            const std::wstring_view name =
                Trim(line.substr(1, close == std::wstring_view::npos ? line.npos : close - 1));
            inSection = !seenSection && SameName(name, wanted);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection || line.empty() || line.front() == L';')
            continue;
        if (!visit(line))
            return;
    }
}
} // namespace

std::wstring GetProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                              const std::wstring& defaultValue, size_t maxChars)
{
    auto cap = [maxChars](std::wstring_view text) {
        return std::wstring(text.substr(0, maxChars == 0 ? 0 : maxChars - 1));
    };
    const std::optional<std::wstring> text = ReadProfileText(file);
    if (!text)
        return cap(defaultValue);
    const std::wstring_view wantedKey = Trim(key);
    std::optional<std::wstring_view> found;
    ForEachSectionLine(*text, section, [&](std::wstring_view line) {
        const size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos || !SameName(Trim(line.substr(0, eq)), wantedKey))
            return true;
        found = Unquote(Trim(line.substr(eq + 1)));
        return false;
    });
    return cap(found ? *found : std::wstring_view(defaultValue));
}

std::vector<std::wstring> GetProfileSection(const std::wstring& file, const std::wstring& section)
{
    std::vector<std::wstring> entries;
    const std::optional<std::wstring> text = ReadProfileText(file);
    if (!text)
        return entries;
    ForEachSectionLine(*text, section, [&](std::wstring_view line) {
        const size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos) {
            entries.emplace_back(line);
        } else {
            std::wstring entry(Trim(line.substr(0, eq)));
            entry += L'=';
            entry += Trim(line.substr(eq + 1));
            entries.push_back(std::move(entry));
        }
        return true;
    });
    return entries;
}

} // namespace plat
