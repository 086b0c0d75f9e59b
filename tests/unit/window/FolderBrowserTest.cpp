#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/FolderBrowser.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/TempDir.h"

using namespace plat;

namespace {

class FolderBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The chooser runs as this very user, so the script below stays reachable.
        m_session.uid = static_cast<uint32_t>(getuid());
        m_session.gid = static_cast<uint32_t>(getgid());
        m_session.home = m_dir.Path();
        test::SetDesktopSession(&m_session);
    }
    void TearDown() override
    {
        test::SetFolderBrowserProgram(L"");
        test::SetFolderBrowserResponder({});
        test::SetDesktopSession(nullptr);
    }

    // A stand-in chooser that records its arguments, prints output and exits with status.
    std::wstring FakeChooser(const std::string& output, int status)
    {
        const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + m_dir.Child("args") +
                                   "'\nprintf '" + output + "'\nexit " + std::to_string(status) + "\n";
        m_dir.WriteFile("chooser", script);
        chmod(m_dir.Child("chooser").c_str(), 0755);
        return m_dir.WChild("chooser");
    }

    sktest::TempDir m_dir;
    DesktopSession m_session;
};

struct ChooserCase
{
    const char* name;
    const char* output;
    int status;
    FolderBrowserResult result;
    const wchar_t* path; // what path holds afterwards
};

TEST_F(FolderBrowserTest, TheChoosersAnswerBecomesTheResult)
{
    const ChooserCase cases[] = {
        {"chosen", "/srv/apps/product\\n", 0, kFolderBrowser_Chosen, L"/srv/apps/product"},
        {"cancelled", "", 1, kFolderBrowser_Cancelled, L"unchanged"},
        {"failed", "", 5, kFolderBrowser_Unavailable, L"unchanged"},
        {"nothing printed", "", 0, kFolderBrowser_Unavailable, L"unchanged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::SetFolderBrowserProgram(FakeChooser(c.output, c.status));
        std::wstring path = L"unchanged";
        EXPECT_EQ(BrowseForFolder(FolderBrowserRequest{nullptr, L"Pick", L""}, path), c.result);
        EXPECT_EQ(path, c.path);
    }
}

TEST_F(FolderBrowserTest, TheChooserAsksForAFolderWithTheTitleAndStartFolder)
{
    test::SetFolderBrowserProgram(FakeChooser("/x\\n", 0));
    std::wstring path;
    BrowseForFolder(FolderBrowserRequest{nullptr, L"Select a location to install the program", L"/opt/Prod"},
                    path);
    EXPECT_EQ(m_dir.ReadFile("args"),
              "--file-selection\n--directory\n--title=Select a location to install the "
              "program\n--filename=/opt/Prod/\n");
}

TEST_F(FolderBrowserTest, AMissingChooserIsAClearFailure)
{
    test::SetFolderBrowserProgram(m_dir.WChild("no-such-chooser"));
    std::wstring path = L"unchanged";
    EXPECT_EQ(BrowseForFolder(FolderBrowserRequest{}, path), kFolderBrowser_Unavailable);
    EXPECT_EQ(path, L"unchanged");
}

TEST_F(FolderBrowserTest, TheResponderAnswersInPlaceOfTheUser)
{
    std::wstring seenTitle;
    test::SetFolderBrowserResponder([&](const FolderBrowserRequest& request, std::wstring& chosen) {
        seenTitle = request.title;
        chosen = L"/data/apps";
        return kFolderBrowser_Chosen;
    });
    std::wstring path;
    EXPECT_EQ(BrowseForFolder(FolderBrowserRequest{nullptr, L"T", L""}, path), kFolderBrowser_Chosen);
    EXPECT_EQ(path, L"/data/apps");
    EXPECT_EQ(seenTitle, L"T");
}

} // namespace
