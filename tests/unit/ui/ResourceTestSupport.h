#pragma once

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/System.h"
#include "support/TempDir.h"
#include "ui/core/WindowManager.h"

namespace restest {

// A 32-bit BMP (bottom-up, BI_RGB) whose fourth byte is alpha; pixels are 0xAARRGGBB, top row first.
inline std::string MakeBmp(int width, int height, const std::vector<uint32_t>& pixels)
{
    std::string out;
    auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    const uint32_t imageSize = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
    out += "BM";
    put(14 + 40 + imageSize, 4);
    put(0, 4);
    put(14 + 40, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(32, 2);
    put(0, 4);
    put(imageSize, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            put(pixels.empty() ? 0 : pixels[static_cast<size_t>(y * width + x)], 4);
    }
    return out;
}

// An 8-bit RGBA PNG; pixels are 0xAARRGGBB, top row first.
inline std::string MakePng(int width, int height, const std::vector<uint32_t>& pixels)
{
    auto be32 = [](uint32_t value) {
        std::string out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[static_cast<size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
        return out;
    };
    auto chunk = [&be32](const char* type, const std::string& data) {
        std::string body = std::string(type, 4) + data;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
    };
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y * width + x)];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
            raw += static_cast<char>(p >> 24);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    const std::string header = be32(static_cast<uint32_t>(width)) + be32(static_cast<uint32_t>(height)) +
                               std::string("\x08\x06\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed) +
           chunk("IEND", "");
}

// A BMP header that claims the size but carries no pixels.
inline std::string MakeBmpHeaderOnly(int width, int height)
{
    std::string bmp = MakeBmp(1, 1, {0xFF000000});
    auto set = [&bmp](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bmp[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    set(18, static_cast<uint32_t>(width));
    set(22, static_cast<uint32_t>(height));
    return bmp;
}

struct ZipEntry
{
    std::string name;
    std::string bytes;
    bool deflate = true;
};

// Writes a ZIP archive with minizip's writer and answers its bytes.
inline std::string MakeZip(const sktest::TempDir& dir, const std::vector<ZipEntry>& entries)
{
    const std::string path = dir.Child("made.zip");
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(zip, nullptr);
    if (zip == nullptr)
        return {};
    for (const ZipEntry& entry : entries) {
        zip_fileinfo info{};
        EXPECT_EQ(zipOpenNewFileInZip64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        entry.deflate ? Z_DEFLATED : 0, entry.deflate ? 6 : 0, 0),
                  ZIP_OK);
        if (!entry.bytes.empty()) {
            EXPECT_EQ(zipWriteInFileInZip(zip, entry.bytes.data(), static_cast<unsigned>(entry.bytes.size())),
                      ZIP_OK);
        }
        EXPECT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    EXPECT_EQ(zipClose(zip, nullptr), ZIP_OK);
    std::string bytes = dir.ReadFile("made.zip");
    std::remove(path.c_str());
    return bytes;
}

// Puts the process-wide resource settings and shared tables back as a program starts with them.
inline void ResetSharedResources()
{
    using SkinUI::CWindowManagerUI;
    CWindowManagerUI::SetSkinArchive(L"", true);
    CWindowManagerUI::SetResourceFolder(L"");
    CWindowManagerUI::SetProgramInstance(nullptr);
    CWindowManagerUI::ReleaseLanguageStrings();
    CWindowManagerUI manager;
    manager.ReleaseImages(true);
    manager.ReleaseFonts(true);
    manager.ReleaseDefaultAttributes(true);
}

// Every test starts and ends with the process-wide state of a fresh program and a scratch folder
// as the resource folder.
class ResourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedResources();
        SkinUI::CWindowManagerUI::SetResourceFolder(m_dir.WPath().c_str());
    }
    void TearDown() override { ResetSharedResources(); }

    sktest::TempDir m_dir;
};

} // namespace restest
