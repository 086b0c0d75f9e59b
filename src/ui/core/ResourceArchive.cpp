#include "ui/core/ResourceArchive.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>

#include "ui/core/UIString.h"

namespace SkinUI {

namespace {

// minizip's lookup mode that ignores case on every system.
constexpr int kCaseInsensitiveLookup = 2;

// A read-only seekable stream over bytes that belong to the caller.
struct MemoryStream
{
    const unsigned char* data = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
};

voidpf ZCALLBACK MemoryOpen(voidpf opaque, const void*, int)
{
    return opaque;
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* s = static_cast<MemoryStream*>(stream);
    const uint64_t available = s->position < s->size ? s->size - s->position : 0;
    const uLong n = static_cast<uLong>(std::min<uint64_t>(size, available));
    if (n != 0)
        std::memcpy(buffer, s->data + s->position, n);
    s->position += n;
    return n;
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK MemoryTell(voidpf, voidpf stream)
{
    return static_cast<MemoryStream*>(stream)->position;
}

long ZCALLBACK MemorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* s = static_cast<MemoryStream*>(stream);
    uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = s->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = s->size;
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    if (base > s->size || offset > s->size - base)
        return -1;
    s->position = base + offset;
    return 0;
}

int ZCALLBACK MemoryClose(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK MemoryError(voidpf, voidpf)
{
    return 0;
}

} // namespace

struct CSkinArchiveUI::Impl
{
    ~Impl()
    {
        if (zip != nullptr)
            unzClose(zip);
    }

    unzFile zip = nullptr;
    // Lives as long as the archive, which reads through it.
    MemoryStream stream;
};

CSkinArchiveUI::CSkinArchiveUI(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CSkinArchiveUI::~CSkinArchiveUI() = default;

std::unique_ptr<CSkinArchiveUI> CSkinArchiveUI::OpenFile(const std::wstring& path)
{
    if (path.empty())
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->zip = unzOpen64(CStringUI(path).ToUtf8().c_str());
    if (impl->zip == nullptr)
        return nullptr;
    return std::unique_ptr<CSkinArchiveUI>(new CSkinArchiveUI(std::move(impl)));
}

std::unique_ptr<CSkinArchiveUI> CSkinArchiveUI::OpenBytes(const void* bytes, size_t size)
{
    if (bytes == nullptr || size == 0)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->stream.data = static_cast<const unsigned char*>(bytes);
    impl->stream.size = size;
    zlib_filefunc64_def functions{};
    functions.zopen64_file = MemoryOpen;
    functions.zread_file = MemoryRead;
    functions.zwrite_file = MemoryWrite;
    functions.ztell64_file = MemoryTell;
    functions.zseek64_file = MemorySeek;
    functions.zclose_file = MemoryClose;
    functions.zerror_file = MemoryError;
    functions.opaque = &impl->stream;
    impl->zip = unzOpen2_64("", &functions);
    if (impl->zip == nullptr)
        return nullptr;
    return std::unique_ptr<CSkinArchiveUI>(new CSkinArchiveUI(std::move(impl)));
}

std::string ArchiveEntryName(const wchar_t* name)
{
    std::string narrow = CStringUI(name ? name : L"").ToUtf8();
    std::replace(narrow.begin(), narrow.end(), '\\', '/');
    return narrow;
}

ArchiveEntryResult CSkinArchiveUI::ReadEntry(const wchar_t* name, uint64_t maxBytes, std::string& bytes)
{
    bytes.clear();
    unzFile zip = m_impl->zip;
    const std::string entry = ArchiveEntryName(name);
    if (entry.empty() || entry.size() >= kMaxArchiveEntryName)
        return kEntry_NotFound;
    if (unzLocateFile(zip, entry.c_str(), kCaseInsensitiveLookup) != UNZ_OK)
        return kEntry_NotFound;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return kEntry_Damaged;
    if (info.uncompressed_size == 0)
        return kEntry_Empty;
    if (info.uncompressed_size > maxBytes)
        return kEntry_TooLarge;
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return kEntry_Damaged;

    // Grows with what really inflates, so a forged size cannot reserve memory up front.
    constexpr uint64_t kChunk = 1 << 20;
    const uint64_t size = info.uncompressed_size;
    bool complete = true;
    while (bytes.size() < size) {
        const size_t done = bytes.size();
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(size - done, kChunk));
        bytes.resize(done + chunk);
        const int n = unzReadCurrentFile(zip, bytes.data() + done, static_cast<unsigned>(chunk));
        if (n <= 0) {
            bytes.resize(done);
            complete = false;
            break;
        }
        bytes.resize(done + static_cast<size_t>(n));
    }
    // Once the whole entry is read, closing checks its CRC: damaged data never counts as read.
    const int closed = unzCloseCurrentFile(zip);
    if (!complete || closed != UNZ_OK) {
        bytes.clear();
        return kEntry_Damaged;
    }
    return kEntry_Read;
}

} // namespace SkinUI
