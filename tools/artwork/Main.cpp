// sk-artwork: draws the pictures of the configuration and skin archives at build time, so the
// repository holds no binary images.
//
//   sk-artwork GROUP OUTPUT-FOLDER    writes every picture of the group as PNG into the folder
//   sk-artwork --list                 names the groups and their pictures

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "Banners.h"

namespace {

struct Artwork
{
    const char* group;
    const char* fileName;
    int width;
    int height;
    void (*draw)(const artwork::CCanvas&);
};

// One row per picture; a new group (such as the skin's buttons and icons) only adds rows.
constexpr Artwork kArtworks[] = {
    {"banners", "pr_1.png", 650, 290, artwork::DrawBannerProductWindow},
    {"banners", "pr_2.png", 650, 290, artwork::DrawBannerShield},
    {"banners", "pr_3.png", 650, 290, artwork::DrawBannerCharts},
    {"banners", "pr_4.png", 650, 290, artwork::DrawBannerCloud},
    {"banners", "pr_5.png", 650, 290, artwork::DrawBannerSpeed},
};

int Usage()
{
    std::fprintf(stderr, "usage: sk-artwork GROUP OUTPUT-FOLDER\n       sk-artwork --list\n");
    return 2;
}

int List()
{
    for (const Artwork& art : kArtworks)
        std::printf("%s\t%s\t%dx%d\n", art.group, art.fileName, art.width, art.height);
    return 0;
}

bool Render(const Artwork& art, const std::filesystem::path& folder)
{
    artwork::CCanvas canvas(art.width, art.height);
    if (!canvas.IsValid()) {
        std::fprintf(stderr, "sk-artwork: cannot create a %dx%d canvas for %s\n", art.width, art.height,
                     art.fileName);
        return false;
    }
    art.draw(canvas);
    const std::string path = (folder / art.fileName).string();
    if (!canvas.IsValid() || !canvas.WritePng(path)) {
        std::fprintf(stderr, "sk-artwork: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0)
        return List();
    if (argc != 3)
        return Usage();

    const std::string group = argv[1];
    const std::filesystem::path folder = argv[2];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "sk-artwork: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }

    int written = 0;
    for (const Artwork& art : kArtworks) {
        if (group != art.group)
            continue;
        if (!Render(art, folder))
            return 1;
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "sk-artwork: no pictures in group %s\n", group.c_str());
        return 1;
    }
    return 0;
}
