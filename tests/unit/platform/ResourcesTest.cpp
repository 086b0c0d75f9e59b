#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "platform/Resources.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

using plat::Resource;
using plat::ResourceId;

const std::string kProgram = "\x7f"
                             "ELF pretend program bytes";

std::vector<Resource> SampleResources()
{
    return {
        {ResourceId(L"ZIPRES"), ResourceId(uint16_t{104}), "skin archive"},
        {ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{105}), "configuration archive"},
        {ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{106}), "xx_yy\r\n"},
        {ResourceId(L"xml"), ResourceId(L"main.xml"), "<Window/>"},
        {ResourceId(plat::kResourceType_Version), ResourceId(uint16_t{1}),
         plat::MakeVersionResource(1, 2, 3, 4)},
    };
}

class ResourcesTest : public ::testing::Test
{
protected:
    void TearDown() override { plat::test::SetModulePath(L""); }

    std::wstring Write(const std::string& name, const std::string& bytes)
    {
        m_dir.WriteFile(name, bytes);
        return m_dir.WChild(name);
    }
    std::wstring WriteWithResources(const std::string& name, const std::vector<Resource>& resources)
    {
        std::string program = kProgram;
        EXPECT_TRUE(plat::AttachResources(program, resources));
        return Write(name, program);
    }
    static std::string Bytes(plat::ModuleHandle module, const ResourceId& name, const ResourceId& type)
    {
        plat::ResourceHandle found = plat::FindResource(module, name, type);
        if (!found)
            return "<missing>";
        const void* data = plat::LockResource(plat::LoadResource(module, found));
        return std::string(static_cast<const char*>(data), plat::SizeofResource(module, found));
    }

    sktest::TempDir m_dir;
};

TEST_F(ResourcesTest, EveryResourceIsFoundByItsTypeAndIdInTheRunningProgram)
{
    plat::test::SetModulePath(WriteWithResources("setup.exe", SampleResources()));
    for (const Resource& r : SampleResources())
        EXPECT_EQ(Bytes(nullptr, r.name, r.type), r.bytes);
    EXPECT_EQ(Bytes(plat::GetModuleResources(), ResourceId(L"MAIN.XML"), ResourceId(L"XML")), "<Window/>");
    EXPECT_EQ(plat::ListResources(nullptr).size(), SampleResources().size());
}

TEST_F(ResourcesTest, LookupsThatMatchNoResourceFindNothing)
{
    plat::test::SetModulePath(WriteWithResources("setup.exe", SampleResources()));
    const std::pair<ResourceId, ResourceId> misses[] = {
        {ResourceId(uint16_t{107}), ResourceId(plat::kResourceType_RcData)},
        {ResourceId(uint16_t{104}), ResourceId(plat::kResourceType_RcData)},
        {ResourceId(L"104"), ResourceId(L"ZIPRES")},
        {ResourceId(uint16_t{105}), ResourceId(L"RCDATA")},
    };
    for (const auto& [name, type] : misses)
        EXPECT_EQ(plat::FindResource(nullptr, name, type), nullptr);
    EXPECT_EQ(plat::SizeofResource(nullptr, nullptr), 0u);
    EXPECT_EQ(plat::LockResource(plat::LoadResource(nullptr, nullptr)), nullptr);
}

TEST_F(ResourcesTest, ProgramWithoutTableOrWithDamagedTableHasNoResources)
{
    std::string program = kProgram;
    ASSERT_TRUE(plat::AttachResources(program, SampleResources()));
    std::string flipped = program;
    flipped[flipped.size() - 40] ^= 0x55; // inside the table: the checksum no longer matches
    std::string badData = program;
    badData[kProgram.size() + 2] ^= 0x55; // inside the first resource's bytes
    std::string badMagic = program;
    badMagic[badMagic.size() - 32] = 'X';
    const std::pair<const char*, std::string> files[] = {
        {"plain", kProgram},
        {"empty", ""},
        {"flipped", flipped},
        {"magic", badMagic},
        {"data", badData},
        {"truncated", program.substr(0, program.size() - 1)},
        {"appended", program + "trailing bytes"},
    };
    for (const auto& [name, bytes] : files) {
        const std::wstring path = Write(name, bytes);
        plat::ModuleHandle module = plat::LoadResourceModule(path);
        ASSERT_NE(module, nullptr) << name;
        EXPECT_TRUE(plat::ListResources(module).empty()) << name;
        uint32_t ms = 1, ls = 1;
        EXPECT_FALSE(plat::GetFileVersion(path, ms, ls)) << name;
        EXPECT_EQ(ms, 0u);
        EXPECT_EQ(ls, 0u);
    }
    EXPECT_EQ(plat::LoadResourceModule(m_dir.WChild("missing")), nullptr);
    plat::test::SetModulePath(m_dir.WChild("missing"));
    EXPECT_TRUE(plat::ListResources(nullptr).empty());
}

TEST_F(ResourcesTest, FileVersionComesFromTheVersionResource)
{
    const std::wstring path = WriteWithResources("setup.exe", SampleResources());
    uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(plat::GetFileVersion(path, ms, ls));
    EXPECT_EQ(ms, 0x00010002u);
    EXPECT_EQ(ls, 0x00030004u);
}

TEST_F(ResourcesTest, AttachingAgainReplacesTheTableAndKeepsTheProgramBytes)
{
    std::string program = kProgram;
    ASSERT_TRUE(plat::AttachResources(program, SampleResources()));
    ASSERT_TRUE(plat::AttachResources(
        program, {{ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{106}), "new"}}));
    EXPECT_EQ(plat::StripResources(program), kProgram);
    EXPECT_EQ(plat::StripResources(kProgram), kProgram);
    const std::wstring path = Write("setup.exe", program);
    plat::ModuleHandle module = plat::LoadResourceModule(path);
    ASSERT_EQ(plat::ListResources(module).size(), 1u);
    EXPECT_EQ(Bytes(module, ResourceId(uint16_t{106}), ResourceId(plat::kResourceType_RcData)), "new");
}

TEST_F(ResourcesTest, AModuleLoadedAgainAfterItsFileChangedSeesTheNewTable)
{
    const std::wstring path = WriteWithResources("setup.exe", SampleResources());
    plat::ModuleHandle before = plat::LoadResourceModule(path);
    WriteWithResources("setup.exe",
                       {{ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{106}), "other"}});
    plat::ModuleHandle after = plat::LoadResourceModule(path);
    EXPECT_EQ(Bytes(after, ResourceId(uint16_t{106}), ResourceId(plat::kResourceType_RcData)), "other");
    // The old handle stays usable.
    EXPECT_EQ(Bytes(before, ResourceId(uint16_t{106}), ResourceId(plat::kResourceType_RcData)), "xx_yy\r\n");
}

TEST_F(ResourcesTest, AFileRewrittenAtOnceWithTheSameSizeIsReadAgain)
{
    const std::wstring path = WriteWithResources(
        "setup.exe", {{ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{106}), "aaaa"}});
    ASSERT_EQ(Bytes(plat::LoadResourceModule(path), ResourceId(uint16_t{106}),
                    ResourceId(plat::kResourceType_RcData)),
              "aaaa");
    WriteWithResources("setup.exe",
                       {{ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{106}), "bbbb"}});
    EXPECT_EQ(Bytes(plat::LoadResourceModule(path), ResourceId(uint16_t{106}),
                    ResourceId(plat::kResourceType_RcData)),
              "bbbb");
}

TEST_F(ResourcesTest, AttachRefusesDuplicatesEmptyResourcesAndInvalidIds)
{
    const Resource good{ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{105}), "x"};
    const std::vector<Resource> bad[] = {
        {good, good},
        {good, {ResourceId(plat::kResourceType_RcData), ResourceId(uint16_t{106}), ""}},
        {{ResourceId(uint16_t{0}), ResourceId(uint16_t{1}), "x"}},
        {{ResourceId(L"xml"), ResourceId(L"a"), "x"}, {ResourceId(L"XML"), ResourceId(L"A"), "y"}},
    };
    for (const std::vector<Resource>& resources : bad) {
        std::string program = kProgram;
        EXPECT_FALSE(plat::AttachResources(program, resources));
        EXPECT_EQ(program, kProgram);
    }
}

// An icon file with images of the given edges; each image's bytes name its edge.
std::string MakeIco(const std::vector<int>& edges)
{
    std::string header = {0, 0, 1, 0, static_cast<char>(edges.size()), 0};
    std::string images;
    const size_t dataStart = 6 + 16 * edges.size();
    for (int edge : edges) {
        const std::string image = "image" + std::to_string(edge);
        const uint32_t offset = static_cast<uint32_t>(dataStart + images.size());
        const char entry[16] = {static_cast<char>(edge == 256 ? 0 : edge),
                                static_cast<char>(edge == 256 ? 0 : edge),
                                0,
                                0,
                                1,
                                0,
                                32,
                                0,
                                static_cast<char>(image.size()),
                                0,
                                0,
                                0,
                                static_cast<char>(offset & 0xFF),
                                static_cast<char>(offset >> 8),
                                0,
                                0};
        header.append(entry, 16);
        images += image;
    }
    return header + images;
}

TEST_F(ResourcesTest, IconGroupGivesTheImageClosestToTheAskedEdge)
{
    std::vector<Resource> resources;
    ASSERT_TRUE(plat::MakeIconResources(MakeIco({16, 48, 256}), 101, 1, resources));
    ASSERT_EQ(resources.size(), 4u);
    const std::wstring path = WriteWithResources("setup.exe", resources);
    plat::ModuleHandle module = plat::LoadResourceModule(path);
    const std::pair<int, const char*> cases[] = {{16, "image16"},  {20, "image48"},   {48, "image48"},
                                                 {64, "image256"}, {512, "image256"}, {1, "image16"}};
    for (const auto& [edge, expected] : cases) {
        std::string image;
        ASSERT_TRUE(plat::LoadIconImage(module, ResourceId(uint16_t{101}), edge, image)) << edge;
        EXPECT_EQ(image, expected) << edge;
    }
    std::string image;
    EXPECT_FALSE(plat::LoadIconImage(module, ResourceId(uint16_t{102}), 16, image));
}

TEST_F(ResourcesTest, MakeIconResourcesRefusesWhatIsNotAnIconFile)
{
    std::string ico = MakeIco({16});
    const std::string bad[] = {"", "PNG....", ico.substr(0, 10), ico.substr(0, ico.size() - 2)};
    for (const std::string& bytes : bad) {
        std::vector<Resource> resources;
        EXPECT_FALSE(plat::MakeIconResources(bytes, 101, 1, resources));
        EXPECT_TRUE(resources.empty());
    }
}

TEST_F(ResourcesTest, AProgramWithATableStillRuns)
{
    std::ifstream in("/bin/true", std::ios::binary);
    std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(plat::AttachResources(program, SampleResources()));
    Write("true", program);
    chmod(m_dir.Child("true").c_str(), 0755);
    EXPECT_EQ(std::system(("'" + m_dir.Child("true") + "'").c_str()), 0);
}

} // namespace
