#include "platform/Resources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

struct ResourceEntry
{
    ResourceId type;
    ResourceId name;
    uint64_t offset; // into the module's bytes
    uint32_t size;
    const char* data = nullptr;
};

class ResourceModule
{
public:
    std::string bytes;
    std::vector<ResourceEntry> entries;
};

namespace {

constexpr char kMagic[8] = {'S', 'K', 'R', 'S', 'R', 'C', '1', '\n'};
constexpr uint32_t kTableMagic = 0x54524B53; // "SKRT"
constexpr size_t kTrailerSize = 32;
constexpr uint32_t kVersionSignature = 0xFEEF04BD;
constexpr size_t kVersionHeaderSize = 40;
constexpr size_t kFixedInfoSize = 52;

uint32_t Crc32(const char* data, size_t size)
{
    static const auto kTable = [] {
        std::vector<uint32_t> table(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        return table;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = kTable[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void Put(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint64_t Get(const char* in, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
    return value;
}

// Reads little-endian fields from a byte range, remembering whether it ran past the end.
class Reader
{
public:
    Reader(const char* data, size_t size) : m_data(data), m_size(size) {}
    uint64_t Take(int bytes)
    {
        if (!Has(bytes))
            return 0;
        const uint64_t value = Get(m_data + m_pos, bytes);
        m_pos += bytes;
        return value;
    }
    std::string TakeText(size_t bytes)
    {
        if (!Has(bytes))
            return {};
        std::string text(m_data + m_pos, bytes);
        m_pos += bytes;
        return text;
    }
    bool Ok() const { return m_ok; }

private:
    bool Has(size_t bytes)
    {
        if (m_ok && m_size - m_pos >= bytes)
            return true;
        m_ok = false;
        return false;
    }
    const char* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

struct Trailer
{
    uint64_t areaStart;
    uint64_t tableOffset;
    uint32_t tableSize;
    uint32_t crc;
};

// The trailer of a file of the given size whose last kTrailerSize bytes are given.
bool ParseTrailer(const char* tail, uint64_t fileSize, Trailer& trailer)
{
    if (fileSize < kTrailerSize || std::memcmp(tail, kMagic, sizeof kMagic) != 0)
        return false;
    trailer.areaStart = Get(tail + 8, 8);
    trailer.tableOffset = Get(tail + 16, 8);
    trailer.tableSize = static_cast<uint32_t>(Get(tail + 24, 4));
    trailer.crc = static_cast<uint32_t>(Get(tail + 28, 4));
    return trailer.areaStart <= trailer.tableOffset &&
           trailer.tableOffset + trailer.tableSize + kTrailerSize == fileSize;
}

bool NameEquals(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(x) == std::towupper(y);
           });
}

bool IdMatches(const ResourceId& stored, const ResourceId& wanted)
{
    if (stored.IsNumber() != wanted.IsNumber())
        return false;
    return stored.IsNumber() ? stored.number == wanted.number : NameEquals(stored.name, wanted.name);
}

bool IsValidId(const ResourceId& id)
{
    return id.IsNumber() ? id.number != 0 : WideToUtf8(id.name).size() <= 0xFFFF;
}

void PutId(std::string& out, const ResourceId& id)
{
    const std::string name = WideToUtf8(id.name);
    Put(out, id.IsNumber() ? id.number : 0, 2);
    Put(out, name.size(), 2);
    out += name;
}

ResourceId TakeId(Reader& reader)
{
    const auto number = static_cast<uint16_t>(reader.Take(2));
    const std::string name = reader.TakeText(static_cast<size_t>(reader.Take(2)));
    if (!name.empty())
        return ResourceId(Utf8ToWide(name));
    return ResourceId(number);
}

// The module's entries from its table; area holds the areaSize resource bytes before it.
bool ParseTable(const char* table, size_t size, const char* area, uint64_t areaSize,
                std::vector<ResourceEntry>& entries)
{
    Reader reader(table, size);
    if (reader.Take(4) != kTableMagic)
        return false;
    const uint64_t count = reader.Take(4);
    for (uint64_t i = 0; i < count && reader.Ok(); ++i) {
        ResourceId type = TakeId(reader);
        ResourceId name = TakeId(reader);
        ResourceEntry entry{std::move(type), std::move(name), 0, 0};
        entry.offset = reader.Take(8);
        entry.size = static_cast<uint32_t>(reader.Take(4));
        const auto crc = static_cast<uint32_t>(reader.Take(4));
        if (!reader.Ok() || entry.offset > areaSize || areaSize - entry.offset < entry.size)
            return false;
        if (Crc32(area + entry.offset, entry.size) != crc)
            return false;
        if (!IsValidId(entry.type) || !IsValidId(entry.name))
            return false;
        entries.push_back(std::move(entry));
    }
    return reader.Ok();
}

std::unique_ptr<ResourceModule> ReadModule(const std::wstring& path)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return nullptr;
    auto module = std::make_unique<ResourceModule>();
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return module;
    const long end = std::ftell(file.get());
    char tail[kTrailerSize];
    Trailer trailer{};
    if (end < static_cast<long>(kTrailerSize) || std::fseek(file.get(), end - kTrailerSize, SEEK_SET) != 0 ||
        std::fread(tail, 1, kTrailerSize, file.get()) != kTrailerSize ||
        !ParseTrailer(tail, static_cast<uint64_t>(end), trailer))
        return module;
    std::string area(static_cast<size_t>(end - kTrailerSize - trailer.areaStart), '\0');
    if (std::fseek(file.get(), static_cast<long>(trailer.areaStart), SEEK_SET) != 0 ||
        std::fread(area.data(), 1, area.size(), file.get()) != area.size())
        return module;
    const uint64_t areaSize = trailer.tableOffset - trailer.areaStart;
    const char* table = area.data() + areaSize;
    std::vector<ResourceEntry> entries;
    if (Crc32(table, trailer.tableSize) != trailer.crc ||
        !ParseTable(table, trailer.tableSize, area.data(), areaSize, entries))
        return module;
    area.resize(areaSize);
    module->bytes = std::move(area);
    module->entries = std::move(entries);
    for (ResourceEntry& entry : module->entries)
        entry.data = module->bytes.data() + entry.offset;
    return module;
}

// A file rewritten within the timestamp granularity keeps size and time: its trailer, which
// holds the table's checksum over every resource's checksum, still tells it apart.
struct Stamp
{
    int64_t size = -1;
    int64_t mtimeNs = 0;
    std::string tail;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::wstring& path)
{
    struct stat st
    {
    };
    if (stat(WideToUtf8(path).c_str(), &st) != 0)
        return {};
    Stamp stamp{st.st_size, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, {}};
    FilePtr file = OpenFile(path, "rb");
    if (file && st.st_size >= static_cast<off_t>(kTrailerSize) &&
        std::fseek(file.get(), -static_cast<long>(kTrailerSize), SEEK_END) == 0) {
        stamp.tail.resize(kTrailerSize);
        stamp.tail.resize(std::fread(stamp.tail.data(), 1, kTrailerSize, file.get()));
    }
    return stamp;
}

struct CachedModule
{
    Stamp stamp;
    ResourceModule* module;
};

std::mutex g_cacheLock;
std::map<std::wstring, CachedModule> g_cache;
// Handles stay valid for the whole process, also after their file changed.
std::vector<std::unique_ptr<ResourceModule>> g_modules;

ResourceModule* LoadCached(const std::wstring& path)
{
    const Stamp stamp = StampOf(path);
    std::lock_guard<std::mutex> lock(g_cacheLock);
    auto it = g_cache.find(path);
    if (it != g_cache.end() && it->second.stamp == stamp)
        return it->second.module;
    std::unique_ptr<ResourceModule> module = ReadModule(path);
    if (!module) {
        g_cache.erase(path);
        return nullptr;
    }
    g_modules.push_back(std::move(module));
    ResourceModule* loaded = g_modules.back().get();
    g_cache[path] = {stamp, loaded};
    return loaded;
}

ModuleHandle Resolve(ModuleHandle module)
{
    return module ? module : GetModuleResources();
}

void PutU16(std::string& out, uint16_t value)
{
    Put(out, value, 2);
}

} // namespace

ModuleHandle GetModuleResources()
{
    static ResourceModule kEmpty;
    ResourceModule* module = LoadCached(GetModulePath());
    return module ? module : &kEmpty;
}

ModuleHandle LoadResourceModule(const std::wstring& programPath)
{
    return programPath.empty() ? nullptr : LoadCached(programPath);
}

ResourceHandle FindResource(ModuleHandle module, const ResourceId& name, const ResourceId& type)
{
    module = Resolve(module);
    for (const ResourceEntry& entry : module->entries) {
        if (IdMatches(entry.type, type) && IdMatches(entry.name, name))
            return &entry;
    }
    return nullptr;
}

ResourceData LoadResource(ModuleHandle module, ResourceHandle resource)
{
    return resource;
}

uint32_t SizeofResource(ModuleHandle module, ResourceHandle resource)
{
    return resource ? resource->size : 0;
}

const void* LockResource(ResourceData data)
{
    return data ? data->data : nullptr;
}

std::vector<ResourceInfo> ListResources(ModuleHandle module)
{
    module = Resolve(module);
    std::vector<ResourceInfo> list;
    for (const ResourceEntry& entry : module->entries)
        list.push_back({entry.type, entry.name, entry.size});
    return list;
}

bool GetFileVersion(const std::wstring& programPath, uint32_t& ms, uint32_t& ls)
{
    ms = ls = 0;
    ModuleHandle module = LoadResourceModule(programPath);
    if (!module)
        return false;
    ResourceHandle version = FindResource(module, ResourceId(uint16_t{1}), ResourceId(kResourceType_Version));
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, version)));
    const uint32_t size = SizeofResource(module, version);
    if (!data || size < kVersionHeaderSize + kFixedInfoSize)
        return false;
    if (Get(data + 2, 2) != kFixedInfoSize || Get(data + kVersionHeaderSize, 4) != kVersionSignature)
        return false;
    ms = static_cast<uint32_t>(Get(data + kVersionHeaderSize + 8, 4));
    ls = static_cast<uint32_t>(Get(data + kVersionHeaderSize + 12, 4));
    return true;
}

bool LoadIconImage(ModuleHandle module, const ResourceId& group, int edge, std::string& image)
{
    module = Resolve(module);
    ResourceHandle directory = FindResource(module, group, ResourceId(kResourceType_GroupIcon));
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, directory)));
    const uint32_t size = SizeofResource(module, directory);
    if (!data || size < 6 || Get(data + 2, 2) != 1)
        return false;
    const uint64_t count = Get(data + 4, 2);
    if (size < 6 + count * 14)
        return false;
    int bestEdge = -1;
    uint16_t bestId = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const char* entry = data + 6 + i * 14;
        const int entryEdge = Get(entry, 1) ? static_cast<int>(Get(entry, 1)) : 256;
        // Prefer the smallest image at least as large as asked, else the largest one.
        const bool better = bestEdge < 0 ||
                            (entryEdge >= edge && (bestEdge < edge || entryEdge < bestEdge)) ||
                            (entryEdge < edge && bestEdge < edge && entryEdge > bestEdge);
        if (better) {
            bestEdge = entryEdge;
            bestId = static_cast<uint16_t>(Get(entry + 12, 2));
        }
    }
    ResourceHandle icon = FindResource(module, ResourceId(bestId), ResourceId(kResourceType_Icon));
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, icon)));
    if (!bytes)
        return false;
    image.assign(bytes, SizeofResource(module, icon));
    return true;
}

std::string StripResources(const std::string& program)
{
    Trailer trailer{};
    if (program.size() < kTrailerSize ||
        !ParseTrailer(program.data() + program.size() - kTrailerSize, program.size(), trailer) ||
        Crc32(program.data() + trailer.tableOffset, trailer.tableSize) != trailer.crc)
        return program;
    return program.substr(0, trailer.areaStart);
}

bool AttachResources(std::string& program, const std::vector<Resource>& resources)
{
    for (size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        if (!IsValidId(r.type) || !IsValidId(r.name) || r.bytes.empty() || r.bytes.size() > 0xFFFFFFFFu)
            return false;
        for (size_t j = 0; j < i; ++j) {
            if (IdMatches(resources[j].type, r.type) && IdMatches(resources[j].name, r.name))
                return false;
        }
    }
    std::string out = StripResources(program);
    const uint64_t areaStart = out.size();
    std::string table;
    Put(table, kTableMagic, 4);
    Put(table, resources.size(), 4);
    for (const Resource& r : resources) {
        PutId(table, r.type);
        PutId(table, r.name);
        Put(table, out.size() - areaStart, 8);
        Put(table, r.bytes.size(), 4);
        Put(table, Crc32(r.bytes.data(), r.bytes.size()), 4);
        out += r.bytes;
    }
    const uint64_t tableOffset = out.size();
    out += table;
    out.append(kMagic, sizeof kMagic);
    Put(out, areaStart, 8);
    Put(out, tableOffset, 8);
    Put(out, table.size(), 4);
    Put(out, Crc32(table.data(), table.size()), 4);
    program.swap(out);
    return true;
}

std::string MakeVersionResource(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision)
{
    std::string out;
    PutU16(out, kVersionHeaderSize + kFixedInfoSize);
    PutU16(out, kFixedInfoSize);
    PutU16(out, 0);
    for (const char* key = "VS_VERSION_INFO";; ++key) {
        PutU16(out, static_cast<uint16_t>(*key));
        if (!*key)
            break;
    }
    out.resize(kVersionHeaderSize, '\0');
    const uint32_t ms = uint32_t(major) << 16 | minor;
    const uint32_t ls = uint32_t(build) << 16 | revision;
    const uint32_t fixed[13] = {kVersionSignature, 0x00010000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0};
    for (uint32_t value : fixed)
        Put(out, value, 4);
    return out;
}

bool MakeIconResources(const std::string& ico, uint16_t group, uint16_t firstIconId,
                       std::vector<Resource>& out)
{
    if (ico.size() < 6 || Get(ico.data(), 2) != 0 || Get(ico.data() + 2, 2) != 1)
        return false;
    const uint64_t count = Get(ico.data() + 4, 2);
    if (count == 0 || ico.size() < 6 + count * 16 || uint64_t(firstIconId) + count > 0x10000)
        return false;
    std::vector<Resource> icons;
    std::string directory = ico.substr(0, 6);
    for (uint64_t i = 0; i < count; ++i) {
        const char* entry = ico.data() + 6 + i * 16;
        const uint64_t size = Get(entry + 8, 4);
        const uint64_t offset = Get(entry + 12, 4);
        if (size == 0 || offset > ico.size() || ico.size() - offset < size)
            return false;
        const auto id = static_cast<uint16_t>(firstIconId + i);
        icons.push_back({ResourceId(kResourceType_Icon), ResourceId(id), ico.substr(offset, size)});
        directory.append(entry, 12);
        PutU16(directory, id);
    }
    out.insert(out.end(), icons.begin(), icons.end());
    out.push_back({ResourceId(kResourceType_GroupIcon), ResourceId(group), directory});
    return true;
}

} // namespace plat
