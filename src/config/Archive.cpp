#include "config/Archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "log/Log.h"
#include "log/Paths.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace {

constexpr size_t kMaxEntryName = 65535;

// A seekable stream over bytes in memory, for minizip's file-function tables.
struct MemoryStream
{
    const char* data = nullptr;
    std::string* growable = nullptr; // set when writing
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
    if (n)
        std::memcpy(buffer, s->data + s->position, n);
    s->position += n;
    return n;
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf stream, const void* buffer, uLong size)
{
    auto* s = static_cast<MemoryStream*>(stream);
    if (!s->growable)
        return 0;
    if (s->growable->size() < s->position + size)
        s->growable->resize(s->position + size);
    std::memcpy(s->growable->data() + s->position, buffer, size);
    s->position += size;
    s->size = s->growable->size();
    return size;
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
    if (offset > s->size - std::min(base, s->size) && !s->growable)
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

zlib_filefunc64_def MemoryFunctions(MemoryStream& stream)
{
    zlib_filefunc64_def functions{};
    functions.zopen64_file = MemoryOpen;
    functions.zread_file = MemoryRead;
    functions.zwrite_file = MemoryWrite;
    functions.ztell64_file = MemoryTell;
    functions.zseek64_file = MemorySeek;
    functions.zclose_file = MemoryClose;
    functions.zerror_file = MemoryError;
    functions.opaque = &stream;
    return functions;
}

struct UnzipCloser
{
    void operator()(void* zip) const { unzClose(zip); }
};
using UnzipPtr = std::unique_ptr<void, UnzipCloser>;

bool IsDirectory(const std::wstring& path)
{
    return plat::GetFileAttributes(path) == plat::kFileAttribute_Directory;
}

// The whole uncompressed entry, or false when it does not inflate to its recorded size and CRC.
bool InflateCurrent(unzFile zip, uint64_t size, std::string& bytes)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return false;
    bytes.assign(static_cast<size_t>(size), '\0');
    uint64_t done = 0;
    bool ok = true;
    while (done < size) {
        const unsigned chunk = static_cast<unsigned>(std::min<uint64_t>(size - done, 1u << 20));
        const int n = unzReadCurrentFile(zip, bytes.data() + done, chunk);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<uint64_t>(n);
    }
    char extra;
    if (ok && unzReadCurrentFile(zip, &extra, 1) != 0)
        ok = false; // more data than the header promised
    return unzCloseCurrentFile(zip) == UNZ_OK && ok;
}

void ExtractEntry(unzFile zip, const std::wstring& folder)
{
    unz_file_info64 info{};
    std::vector<char> nameBuffer(kMaxEntryName + 1, '\0');
    if (unzGetCurrentFileInfo64(zip, &info, nameBuffer.data(), kMaxEntryName, nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
        LOG_INFO("ERR:cannot read an archive entry");
        return;
    }
    const std::string name(nameBuffer.data());
    if (!IsContainedEntryName(name)) {
        LOG_INFO("ERR:skipped archive entry outside the target folder:%s", name.c_str());
        return;
    }
    if (info.uncompressed_size > kMaxArchiveEntrySize) {
        LOG_INFO("ERR:skipped oversized archive entry:%s (%llu bytes)", name.c_str(),
                 static_cast<unsigned long long>(info.uncompressed_size));
        return;
    }
    std::wstring relative = plat::Utf8ToWide(name);
    std::replace(relative.begin(), relative.end(), plat::kForeignSeparator, plat::kPathSeparator);
    std::wstring path = folder;
    if (path.empty() || path.back() != plat::kPathSeparator)
        path.push_back(plat::kPathSeparator);
    path += relative;
    if (path.size() > kMaxArchivePath) {
        LOG_INFO("ERR:skipped archive entry with an over-long path:%s", name.c_str());
        return;
    }
    if (info.uncompressed_size == 0) {
        if (!IsDirectory(path))
            plat::CreateDirectory(path);
        return;
    }
    std::string bytes;
    if (!InflateCurrent(zip, info.uncompressed_size, bytes)) {
        LOG_INFO("ERR:damaged archive entry:%s", name.c_str());
        return;
    }
    if (!plat::WriteFileBytes(path, bytes.data(), bytes.size()))
        LOG_INFO("ERR:cannot write archive entry:%s", name.c_str());
}

} // namespace

bool IsContainedEntryName(const std::string& name)
{
    if (name.empty())
        return true;
    if (name[0] == '/' || name[0] == '\\' || (name.size() >= 2 && name[1] == ':'))
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find_first_of("/\\", start), name.size());
        if (name.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

bool ExtractArchiveToFolder(const void* bytes, size_t size, const std::wstring& folder)
{
    CreateDirectories(folder);
    if (!IsDirectory(folder))
        plat::CreateDirectory(folder);

    MemoryStream stream{static_cast<const char*>(bytes), nullptr, bytes ? size : 0, 0};
    zlib_filefunc64_def functions = MemoryFunctions(stream);
    UnzipPtr zip(unzOpen2_64("", &functions));
    if (!zip) {
        LOG_INFO("ERR:not a readable archive (%zu bytes)", size);
        return true;
    }
    int status = unzGoToFirstFile(zip.get());
    while (status == UNZ_OK) {
        ExtractEntry(zip.get(), folder);
        status = unzGoToNextFile(zip.get());
    }
    if (status != UNZ_END_OF_LIST_OF_FILE)
        LOG_INFO("ERR:archive directory is damaged");
    return true;
}

struct CZipBuilder::Impl
{
    std::string bytes;
    MemoryStream stream;
    zlib_filefunc64_def functions{};
    zipFile zip = nullptr;
    bool ok = true;
};

CZipBuilder::CZipBuilder() : m_impl(std::make_unique<Impl>())
{
    m_impl->stream.growable = &m_impl->bytes;
    m_impl->functions = MemoryFunctions(m_impl->stream);
    m_impl->zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &m_impl->functions);
    m_impl->ok = m_impl->zip != nullptr;
}

CZipBuilder::~CZipBuilder()
{
    if (m_impl->zip)
        zipClose(m_impl->zip, nullptr);
}

bool CZipBuilder::AddFolder(const std::string& name)
{
    const std::string folder = !name.empty() && name.back() == '/' ? name : name + "/";
    return AddFile(folder, std::string());
}

bool CZipBuilder::AddFile(const std::string& name, const std::string& bytes)
{
    if (!m_impl->ok || name.empty())
        return m_impl->ok = false;
    zip_fileinfo info{};
    const int method = bytes.empty() ? 0 : Z_DEFLATED;
    const bool large = bytes.size() >= 0xFFFFFFFFull;
    m_impl->ok = zipOpenNewFileInZip64(m_impl->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                       method, Z_BEST_COMPRESSION, large ? 1 : 0) == ZIP_OK;
    size_t done = 0;
    while (m_impl->ok && done < bytes.size()) {
        const unsigned chunk = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, 1u << 20));
        m_impl->ok = zipWriteInFileInZip(m_impl->zip, bytes.data() + done, chunk) == ZIP_OK;
        done += chunk;
    }
    if (zipCloseFileInZip(m_impl->zip) != ZIP_OK)
        m_impl->ok = false;
    return m_impl->ok;
}

bool CZipBuilder::Finish(std::string& archive)
{
    if (!m_impl->zip)
        return false;
    const bool closed = zipClose(m_impl->zip, nullptr) == ZIP_OK;
    m_impl->zip = nullptr;
    if (!closed || !m_impl->ok)
        return false;
    archive = m_impl->bytes;
    return true;
}
