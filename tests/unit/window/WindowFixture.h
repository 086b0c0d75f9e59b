#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/System.h"
#include "platform/Window.h"

namespace wintest {

struct Received
{
    plat::WindowHandle window;
    plat::Uint message;
    plat::WParam wParam;
    plat::LParam lParam;
};

// Every window of the recording class logs what reaches its procedure here; the default handling
// follows unless the test answers the message itself.
class CRecorder
{
public:
    static CRecorder& Get();
    void Add(const Received& item);
    std::vector<Received> Take();
    // Messages of that number only, in arrival order.
    std::vector<Received> Of(plat::Uint message);
    void Clear();

private:
    std::mutex m_lock;
    std::vector<Received> m_items;
};

// Answers given by the recording procedure for test messages: kWM_User + n answers 100 + n.
plat::LResult RecordingProc(plat::WindowHandle window, plat::Uint message, plat::WParam wParam,
                            plat::LParam lParam);

inline const wchar_t* kRecordingClass = L"RecordingWindow";

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A hidden pop-up window of the recording class, destroyed with the test; its creation messages
    // are not recorded.
    plat::WindowHandle MakeWindow(int width = 200, int height = 100, uint32_t style = plat::kWS_Popup);
    // Dispatches everything the queue holds without waiting; the messages taken, in order.
    std::vector<plat::Uint> Drain();

    std::vector<plat::WindowHandle> m_windows;
};

} // namespace wintest
