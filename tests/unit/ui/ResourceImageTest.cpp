#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ResourceTestSupport.h"
#include "platform/Graphics.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"

namespace {

using SkinUI::CachedImage;
using SkinUI::CWindowManagerUI;
using SkinUI::DecodeImageData;
using SkinUI::ImageNameOrIdUI;
using SkinUI::LoadImageData;

// A one-pixel red GIF (two-colour global table, one LZW block).
const std::string kRedGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          35);

std::unique_ptr<CachedImage> Decode(const std::string& bytes, SkinUI::ColorUI mask = 0)
{
    return DecodeImageData(bytes.data(), bytes.size(), mask);
}

std::vector<uint32_t> Pixels(const CachedImage& image)
{
    return std::vector<uint32_t>(image.pixels, image.pixels + image.width * image.height);
}

TEST(ResourceImageDecodeTest, HalfTransparentPixelIsPremultipliedWithIntegerDivision)
{
    // 51 * 128 / 255 is 25.6: division, not rounding, gives 25.
    const std::vector<uint32_t> pixels = {0xFF0A141E, 0x80C86433};
    const std::pair<const char*, std::string> sources[] = {
        {"png", restest::MakePng(2, 1, pixels)},
        {"bmp", restest::MakeBmp(2, 1, pixels)},
    };
    for (const auto& [format, bytes] : sources) {
        auto image = Decode(bytes);
        ASSERT_TRUE(image) << format;
        EXPECT_EQ(image->width, 2);
        EXPECT_EQ(image->height, 1);
        EXPECT_TRUE(image->hasAlpha) << format;
        EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF0A141E, 0x80643219})) << format;
        EXPECT_TRUE(image->bitmap->IsTopDown());
        EXPECT_EQ(image->bitmap->Pixel(1, 0), 0x80643219u);
        EXPECT_FALSE(image->keepsSource);
        EXPECT_EQ(image->sourcePixels, nullptr);
    }
}

TEST(ResourceImageDecodeTest, OpaquePngHasNoAlphaAndKeepsRowsInOrder)
{
    sktest::TempDir dir;
    auto bitmap = plat::CBitmap::CreateDib(2, -2);
    ASSERT_TRUE(bitmap);
    const uint32_t colours[4] = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x)
            bitmap->Row(y)[x] = colours[y * 2 + x];
    }
    bitmap->MarkDirty();
    ASSERT_TRUE(bitmap->SaveToPng(dir.Child("opaque.png")));

    auto image = Decode(dir.ReadFile("opaque.png"));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->hasAlpha);
    EXPECT_EQ(Pixels(*image), std::vector<uint32_t>(colours, colours + 4));
}

TEST(ResourceImageDecodeTest, GifDecodesItsFirstFrame)
{
    auto image = Decode(kRedGif);
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), std::vector<uint32_t>{0xFFFF0000});
    EXPECT_FALSE(image->hasAlpha);
}

TEST(ResourceImageDecodeTest, MaskColourClearsMatchingPremultipliedPixels)
{
    const std::string bmp = restest::MakeBmp(3, 1, {0xFFFF00FF, 0xFF00FF00, 0x80C86433});
    auto opaqueMask = Decode(bmp, 0xFFFF00FF);
    ASSERT_TRUE(opaqueMask);
    EXPECT_TRUE(opaqueMask->hasAlpha);
    EXPECT_EQ(opaqueMask->maskColour, 0xFFFF00FFu);
    EXPECT_EQ(Pixels(*opaqueMask), (std::vector<uint32_t>{0, 0xFF00FF00, 0x80643219}));

    // A half-transparent pixel is matched by its premultiplied value, not the one in the file.
    auto premultipliedMask = Decode(bmp, 0x80643219);
    ASSERT_TRUE(premultipliedMask);
    EXPECT_EQ(Pixels(*premultipliedMask), (std::vector<uint32_t>{0xFFFF00FF, 0xFF00FF00, 0}));
    EXPECT_EQ(Pixels(*Decode(bmp, 0x80C86433)), (std::vector<uint32_t>{0xFFFF00FF, 0xFF00FF00, 0x80643219}));

    auto opaque = Decode(restest::MakeBmp(1, 1, {0xFF00FF00}), 0xFFFF00FF);
    ASSERT_TRUE(opaque);
    EXPECT_FALSE(opaque->hasAlpha);
}

TEST(ResourceImageDecodeTest, ImagesWithoutPixelsOrAbove16384PixelsASideAreRefused)
{
    struct Case
    {
        const char* label;
        std::string bytes;
        bool decodes;
    };
    const Case cases[] = {
        {"16384 wide", restest::MakeBmp(16384, 1, {}), true},
        {"16385 wide", restest::MakeBmpHeaderOnly(16385, 1), false},
        {"16385 high", restest::MakeBmpHeaderOnly(1, 16385), false},
        {"huge both ways", restest::MakeBmpHeaderOnly(0x7FFFFFFF, 0x7FFFFFFF), false},
        {"0 x 0", restest::MakeBmpHeaderOnly(0, 0), false},
        {"0 wide", restest::MakeBmpHeaderOnly(0, 5), false},
        {"header cut short", restest::MakeBmp(64, 64, {}).substr(0, 30), false},
        {"pixel rows missing", restest::MakeBmp(64, 64, {}).substr(0, 200), false},
        {"last pixel missing", restest::MakeBmp(64, 64, {}).substr(0, 54 + 64 * 64 * 4 - 1), true},
        // Found by the image fuzz target: 15872 x 15873 pixels claimed by 62 bytes.
        {"huge claim in 62 bytes",
         std::string("\x42\x4d\x42\x00\x00\x00\x00\x00\x00\x00\x3e\x00\x00\x00\x28\x00\x00\x00\x00\x3e\x00"
                     "\x00\x01\x3e\x00\x00\x01\x00\x08\x00\x00"
                     "\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                     "\xff\x00\x00\xff\x00\x00\x00\x01\x00\x00",
                     62),
         false},
        {"not an image", "<Window/>", false},
        {"one byte", "B", false},
        {"truncated gif", kRedGif.substr(0, 10), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Decode(c.bytes) != nullptr, c.decodes) << c.label;
    EXPECT_EQ(DecodeImageData(nullptr, 10, 0), nullptr);
    EXPECT_EQ(DecodeImageData("", 0, 0), nullptr);
}

// An 8 x 8 baseline JPEG of one grey level: every coefficient is zero, so every pixel is 128.
const std::string kGreyJpeg(
    "\xff\xd8\xff\xdb\x00\x43\x00\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\xff"
    "\xc0\x00\x0b\x08\x00\x08\x00\x08\x01\x01\x11\x00\xff\xc4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xc4\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00\x3f\xff\xd9",
    141);

TEST(ResourceImageDecodeTest, BaselineJpegDecodesOpaque)
{
    auto image = Decode(kGreyJpeg);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 8);
    EXPECT_EQ(image->height, 8);
    EXPECT_FALSE(image->hasAlpha);
    EXPECT_EQ(Pixels(*image), std::vector<uint32_t>(64, 0xFF808080));
}

// Found by the image fuzz target: the second table definition claims 599 codes.
const std::string kJpegWithOversizedHuffmanTable(
    "\xff\xd8\xff\xdb\x00\x43\x00\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\xff\xda\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"
    "\x3b\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x3b\x01\x01\x01\x01\x01\x01"
    "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\xff\xc0\x00\x0b\x08\x00\x08\x00"
    "\x08\x01\x01\x11\x00\xff\xc4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\xff\xc4\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x3f\x00\x3f\xff\xd9",
    141);

TEST(ResourceImageDecodeTest, JpegHuffmanTableOfMoreThan256CodesIsRefused)
{
    EXPECT_EQ(Decode(kJpegWithOversizedHuffmanTable), nullptr);
    std::string withFill = "\xff\xff" + kJpegWithOversizedHuffmanTable;
    EXPECT_EQ(Decode(withFill), nullptr);
}

// Found by the image fuzz target: an empty data chunk before any other reached the decoder's copy
// into a buffer it had not made yet.
const std::string kPngWithEmptyFirstDataChunk(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x02"
    "\x10\x00\x00\x00\x00\xec\x26\x35\xb8\x00\x00\x00\x0e\xff\xff\xd6\xff\x78\x9c\x63\x10\x32\x6c\x49"
    "\x44\x41\x54\x04\x2d\x02\x45\xc9\xa2\x49\xad\x00\x00\x00\x00\x49\x44\x41\x54\x78\x9c\x60\x82",
    71);

TEST(ResourceImageDecodeTest, EmptyPngDataChunksAreSkipped)
{
    EXPECT_EQ(Decode(kPngWithEmptyFirstDataChunk), nullptr);

    const std::string png = restest::MakePng(2, 1, {0xFF0A141E, 0x80C86433});
    // After the signature (8 bytes) and the header chunk (25 bytes).
    const std::string withEmpty =
        png.substr(0, 33) + std::string("\0\0\0\0IDAT\x35\xaf\x06\x1e", 12) + png.substr(33);
    auto image = Decode(withEmpty);
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF0A141E, 0x80643219}));
}

TEST(ResourceImageDecodeTest, ColourImagesAreOnePremultipliedPixel)
{
    struct Case
    {
        const wchar_t* name;
        uint32_t pixel;
        bool hasAlpha;
    };
    const Case cases[] = {
        {L"#FF00FF00", 0xFF00FF00, false},
        {L"FF1A57A9", 0xFF1A57A9, false},
        {L"#80FF0000", 0x80800000, true},
        {L"#00FFFFFF", 0x00000000, true},
    };
    for (const Case& c : cases) {
        auto image = LoadImageData(ImageNameOrIdUI(c.name), L"*COLOR*", 0);
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->width, 1);
        EXPECT_EQ(image->height, 1);
        EXPECT_EQ(image->pixels[0], c.pixel) << c.name;
        EXPECT_EQ(image->hasAlpha, c.hasAlpha) << c.name;
    }
}

class ResourceImageLoadTest : public restest::ResourceTest
{
protected:
    // A program file carrying the resources; it becomes the program instance.
    void UseProgramResources(const std::vector<plat::Resource>& resources)
    {
        std::string program = "program bytes";
        ASSERT_TRUE(plat::AttachResources(program, resources));
        m_dir.WriteFile("setup.exe", program);
        plat::ModuleHandle module = plat::LoadResourceModule(m_dir.WChild("setup.exe"));
        ASSERT_NE(module, nullptr);
        CWindowManagerUI::SetProgramInstance(module);
    }

    const std::string m_green = restest::MakeBmp(1, 1, {0xFF00FF00});
    const std::string m_blue = restest::MakeBmp(1, 1, {0xFF0000FF});
    const std::string m_red = restest::MakeBmp(1, 1, {0xFFFF0000});
};

uint32_t PixelOf(const std::unique_ptr<CachedImage>& image)
{
    return image ? image->pixels[0] : 0;
}

TEST_F(ResourceImageLoadTest, FolderImagesAreFoundIgnoringCaseWithBackslashes)
{
    m_dir.WriteFile("img/Button_Normal.bmp", m_green);
    EXPECT_EQ(PixelOf(LoadImageData(L"img\\button_normal.bmp", nullptr, 0)), 0xFF00FF00u);
    EXPECT_EQ(PixelOf(LoadImageData(L"img/Button_Normal.bmp", L"", 0)), 0xFF00FF00u);
}

TEST_F(ResourceImageLoadTest, ArchiveImagesHaveNoSizeLimitOfSkinFiles)
{
    const std::string big = restest::MakeBmp(1100, 1000, {});
    ASSERT_GT(big.size(), 4194304u);
    const std::string zip = restest::MakeZip(m_dir, {{"img/logo.bmp", m_blue}, {"img/big.bmp", big}});
    CWindowManagerUI::SetSkinArchiveBytes(zip.data(), zip.size());
    EXPECT_EQ(PixelOf(LoadImageData(L"IMG\\Logo.bmp", nullptr, 0)), 0xFF0000FFu);
    auto image = LoadImageData(L"img\\big.bmp", nullptr, 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1100);
}

TEST_F(ResourceImageLoadTest, NameFoundNowhereElseIsTriedAsAPlainPath)
{
    sktest::TempDir elsewhere;
    elsewhere.WriteFile("Absolute.bmp", m_red);
    elsewhere.WriteFile("relative/Image.bmp", m_blue);
    const std::string zip = restest::MakeZip(m_dir, {{"other.bmp", m_green}});
    CWindowManagerUI::SetSkinArchiveBytes(zip.data(), zip.size());

    EXPECT_EQ(PixelOf(LoadImageData(elsewhere.WChild("Absolute.bmp").c_str(), nullptr, 0)), 0xFFFF0000u);
    EXPECT_EQ(PixelOf(LoadImageData(elsewhere.WChild("absolute.bmp").c_str(), nullptr, 0)), 0xFFFF0000u);

    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(elsewhere.Path().c_str()), 0);
    const uint32_t relative = PixelOf(LoadImageData(L"relative\\image.bmp", nullptr, 0));
    const bool missingFails = LoadImageData(L"relative\\missing.bmp", nullptr, 0) == nullptr;
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(relative, 0xFF0000FFu);
    EXPECT_TRUE(missingFails);
}

TEST_F(ResourceImageLoadTest, TypedNamesComeFromTheProgramResourcesFirst)
{
    m_dir.WriteFile("logo.bmp", m_green);
    UseProgramResources({{plat::ResourceId(L"PNG"), plat::ResourceId(7), m_blue},
                         {plat::ResourceId(L"PNG"), plat::ResourceId(L"LOGO"), m_red}});

    EXPECT_EQ(PixelOf(LoadImageData(ImageNameOrIdUI(uint16_t{7}), L"PNG", 0)), 0xFF0000FFu);
    EXPECT_EQ(PixelOf(LoadImageData(L"LOGO", L"PNG", 0)), 0xFFFF0000u);
    auto typed = LoadImageData(L"LOGO", L"PNG", 0);
    ASSERT_TRUE(typed);
    EXPECT_STREQ(typed->resourceType.GetData(), L"PNG");
    // An id has no plain path to fall back on.
    EXPECT_EQ(LoadImageData(ImageNameOrIdUI(uint16_t{8}), L"PNG", 0), nullptr);
    // A typed name without a resource goes straight to the plain path, not to the resource folder.
    EXPECT_EQ(LoadImageData(L"logo.bmp", L"PNG", 0), nullptr);
    EXPECT_EQ(PixelOf(LoadImageData(m_dir.WChild("logo.bmp").c_str(), L"PNG", 0)), 0xFF00FF00u);
}

} // namespace
