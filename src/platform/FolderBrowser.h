#pragma once

#include <functional>
#include <string>

#include "platform/Types.h"

// The desktop's folder chooser.
namespace plat {

enum FolderBrowserResult : int
{
    kFolderBrowser_Chosen = 0,
    kFolderBrowser_Cancelled = 1,
    // No chooser could be shown (none installed, no desktop session, or it failed).
    kFolderBrowser_Unavailable = 2,
};

struct FolderBrowserRequest
{
    WindowHandle owner = nullptr;
    std::wstring title;
    // The folder the chooser starts in; empty for its own choice.
    std::wstring startFolder;
};

// Lets the user pick a folder with the desktop's chooser (zenity), run as the desktop user in the
// desktop session. On the UI thread the owner is disabled and the thread's messages go on while it
// is open. The chosen folder is stored in path only for kFolderBrowser_Chosen.
FolderBrowserResult BrowseForFolder(const FolderBrowserRequest& request, std::wstring& path);

namespace test {
// Answers every folder browser in place of the user; an empty function restores the real chooser.
void SetFolderBrowserResponder(
    std::function<FolderBrowserResult(const FolderBrowserRequest&, std::wstring&)> responder);
// Runs this program in place of zenity, with the same arguments; empty restores the search for zenity.
void SetFolderBrowserProgram(const std::wstring& program);
} // namespace test

} // namespace plat
