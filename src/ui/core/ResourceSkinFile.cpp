#include <string>

#include "ui/core/ResourceFiles.h"
#include "ui/core/ResourceShared.h"
#include "ui/core/XmlDocument.h"

namespace SkinUI {

namespace {

// Skin files above this size are refused.
constexpr uint64_t kMaxSkinFileBytes = 4194304;

SkinBytesResult FromDisk(const wchar_t* name, uint64_t maxBytes, std::string& bytes)
{
    const CStringUI path = SharedResources().resourceFolder + name;
    switch (ReadSkinFile(path.ToStdWString(), maxBytes, bytes)) {
    case kSkinFile_Read:
        return kSkinBytes_Read;
    case kSkinFile_Empty:
        return kSkinBytes_Empty;
    case kSkinFile_TooLarge:
        return kSkinBytes_TooLarge;
    case kSkinFile_ReadFailed:
        return kSkinBytes_FileReadFailed;
    case kSkinFile_OpenFailed:
        break;
    }
    return kSkinBytes_FileOpenFailed;
}

std::unique_ptr<CSkinArchiveUI> OpenArchiveForOneLookup()
{
    SharedResourceState& state = SharedResources();
    if (state.skinArchiveName == kMemoryArchiveName)
        return CSkinArchiveUI::OpenBytes(state.skinArchiveBytes, state.skinArchiveSize);
    const CStringUI path = state.resourceFolder + state.skinArchiveName;
    return CSkinArchiveUI::OpenFile(ResolveSkinPath(path.ToStdWString()));
}

} // namespace

SkinBytesResult FetchSkinBytes(const wchar_t* name, uint64_t maxBytes, std::string& bytes)
{
    bytes.clear();
    if (name == nullptr)
        name = L"";
    SharedResourceState& state = SharedResources();
    if (state.skinArchiveName.IsEmpty())
        return FromDisk(name, maxBytes, bytes);

    std::unique_ptr<CSkinArchiveUI> oneLookup;
    CSkinArchiveUI* archive = state.skinArchive.get();
    if (!state.skinArchiveKeptOpen) {
        oneLookup = OpenArchiveForOneLookup();
        archive = oneLookup.get();
    }
    if (archive == nullptr)
        return kSkinBytes_ArchiveOpenFailed;
    switch (archive->ReadEntry(name, maxBytes, bytes)) {
    case kEntry_Read:
        return kSkinBytes_Read;
    case kEntry_NotFound:
        return kSkinBytes_NotInArchive;
    case kEntry_Empty:
        return kSkinBytes_Empty;
    case kEntry_TooLarge:
        return kSkinBytes_TooLarge;
    case kEntry_Damaged:
        break;
    }
    return kSkinBytes_UnzipFailed;
}

bool CXmlDocument::LoadSkinFile(const wchar_t* name, XmlEncoding encoding)
{
    Clear();
    std::string bytes;
    switch (FetchSkinBytes(name, kMaxSkinFileBytes, bytes)) {
    case kSkinBytes_Read:
        return LoadBytes(bytes.data(), bytes.size(), encoding);
    case kSkinBytes_FileOpenFailed:
        return FailLoad(L"Error opening file");
    case kSkinBytes_Empty:
        return FailLoad(L"File is empty");
    case kSkinBytes_TooLarge:
        return FailLoad(L"File too large");
    case kSkinBytes_FileReadFailed:
        return FailLoad(L"Could not read file");
    case kSkinBytes_ArchiveOpenFailed:
        return FailLoad(L"Error opening zip file");
    case kSkinBytes_NotInArchive:
        return FailLoad(L"Could not find ziped file");
    case kSkinBytes_UnzipFailed:
        break;
    }
    return FailLoad(L"Could not unzip file");
}

} // namespace SkinUI
