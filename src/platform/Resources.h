#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Resources carried inside a program file: a table appended to the file, found from its end.
//
// Layout after the program's own bytes: the resource bytes, then the table (one entry per
// resource: type, name, offset, size), then a fixed trailer with a magic, where the resource
// area and the table start, the table's size and its CRC-32. A file without a valid trailer
// carries no resources. The table is found from the end of the file, so anything that appends
// to the file afterwards (or strips it) loses the resources.
namespace plat {

// A resource type or name: an integer id (1 to 65535) or a text name, as Windows has them.
struct ResourceId
{
    ResourceId(uint16_t id) : number(id) {}
    ResourceId(const wchar_t* text) : name(text ? text : L"") {}
    ResourceId(std::wstring text) : name(std::move(text)) {}

    bool IsNumber() const { return name.empty(); }
    bool operator==(const ResourceId& other) const { return number == other.number && name == other.name; }

    uint16_t number = 0;
    std::wstring name;
};

// Integer resource types with their Windows numbers.
enum : uint16_t
{
    kResourceType_Icon = 3,
    kResourceType_RcData = 10,
    kResourceType_GroupIcon = 14,
    kResourceType_Version = 16,
};

class ResourceModule;
// The resources of one program file; a handle stays valid until the process ends.
using ModuleHandle = const ResourceModule*;
struct ResourceEntry;
using ResourceHandle = const ResourceEntry*;
using ResourceData = const ResourceEntry*;

// The running program's resources (through GetModulePath). Never null: a program without a
// table gives a module without resources.
ModuleHandle GetModuleResources();
// The resources of a program file; null when the file cannot be read.
ModuleHandle LoadResourceModule(const std::wstring& programPath);

// Null module means the running program. Null when there is no such resource.
ResourceHandle FindResource(ModuleHandle module, const ResourceId& name, const ResourceId& type);
ResourceData LoadResource(ModuleHandle module, ResourceHandle resource);
uint32_t SizeofResource(ModuleHandle module, ResourceHandle resource);
// The resource's bytes, valid as long as the module; null for a null argument.
const void* LockResource(ResourceData data);

struct ResourceInfo
{
    ResourceId type;
    ResourceId name;
    uint32_t size;
};
std::vector<ResourceInfo> ListResources(ModuleHandle module);

// The fixed file version of a program file's version resource: ms holds major (high word) and
// minor (low word), ls build and revision. False when the file carries no version resource.
bool GetFileVersion(const std::wstring& programPath, uint32_t& ms, uint32_t& ls);

// The image (PNG or device-independent bitmap bytes) of an icon group that is closest to the
// given edge length, preferring larger ones. False when the group or its images are missing.
bool LoadIconImage(ModuleHandle module, const ResourceId& group, int edge, std::string& image);

// ---- Writing (used by setup-pack) --------------------------------------------------------------

struct Resource
{
    ResourceId type;
    ResourceId name;
    std::string bytes;
};

// The program's bytes without any resource table it carries.
std::string StripResources(const std::string& program);
// Replaces any table the program carries by one holding the given resources. False when two
// resources share a type and name, a name is not a valid id, or a resource is empty.
bool AttachResources(std::string& program, const std::vector<Resource>& resources);

// A version resource (VS_VERSIONINFO with its fixed file info) for version a.b.c.d.
std::string MakeVersionResource(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision);
// Splits an .ico file into its images (resources of type icon, ids firstIconId upwards) and the
// group directory (type group icon, id group). False when the bytes are not an icon file.
bool MakeIconResources(const std::string& ico, uint16_t group, uint16_t firstIconId,
                       std::vector<Resource>& out);

} // namespace plat
