// The demo window on a real X display (Xvfb) with a window manager (openbox): shown, clicked, dragged
// by its caption, photographed and closed, driven by xdotool from outside as a user would.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DemoLayout.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Env = std::map<std::string, std::string>;

// Outside processes (the X server, the window manager) are polled a bounded number of short times.
constexpr int kPollTries = 50;
constexpr auto kPollPause = std::chrono::milliseconds(100);
constexpr auto kToolTimeout = std::chrono::seconds(5);
constexpr auto kLineTimeout = std::chrono::seconds(5);

std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The environment of this process with the given variables replaced or added.
std::vector<std::string> MakeEnvironment(const Env& overrides)
{
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string item = *entry;
        const std::string name = item.substr(0, item.find('='));
        if (!overrides.count(name))
            result.push_back(item);
    }
    for (const auto& [name, value] : overrides)
        result.push_back(name + "=" + value);
    return result;
}

// A child in a process group of its own, killed with its whole group and reaped on destruction, so
// nothing outlives the test whatever way it ends.
class CChild
{
public:
    CChild() = default;
    ~CChild() { Stop(); }
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    // Runs argv[0] (a full path) with stdout to a pipe when captureOutput, to /dev/null otherwise;
    // stderr stays with the test's unless quiet, or goes to errorLog when one is named.
    bool Start(const std::vector<std::string>& argv, const Env& env, bool captureOutput, bool quiet = false,
               const std::string& errorLog = {})
    {
        std::vector<std::string> envStrings = MakeEnvironment(env);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& item : envStrings)
            envp.push_back(item.data());
        envp.push_back(nullptr);

        int fds[2] = {-1, -1};
        if (captureOutput && pipe2(fds, O_CLOEXEC) != 0)
            return false;
        const pid_t pid = fork();
        if (pid < 0) {
            if (captureOutput) {
                close(fds[0]);
                close(fds[1]);
            }
            return false;
        }
        if (pid == 0) {
            setpgid(0, 0);
            const int devNull = open("/dev/null", O_RDWR);
            dup2(devNull, STDIN_FILENO);
            dup2(captureOutput ? fds[1] : devNull, STDOUT_FILENO);
            if (!errorLog.empty()) {
                const int log = open(errorLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
                dup2(log >= 0 ? log : devNull, STDERR_FILENO);
            } else if (!captureOutput || quiet) {
                dup2(devNull, STDERR_FILENO);
            }
            execve(args[0], args.data(), envp.data());
            _exit(127);
        }
        setpgid(pid, pid); // also here, so the group exists before the parent signals it
        m_pid = pid;
        m_exit.reset();
        if (captureOutput) {
            close(fds[1]);
            m_out = fds[0];
        }
        return true;
    }

    pid_t Pid() const { return m_pid; }

    // The next whole line of its output, or nothing when none came within the timeout.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout)
    {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const auto newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (m_out < 0 || left.count() <= 0)
                return std::nullopt;
            pollfd fd{m_out, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[512];
            const ssize_t got = read(m_out, chunk, sizeof chunk);
            if (got <= 0) {
                close(m_out);
                m_out = -1;
                continue;
            }
            m_buffer.append(chunk, static_cast<size_t>(got));
        }
    }

    // Reads lines until one starts with prefix; the lines passed over are kept in skipped.
    std::optional<std::string> WaitForLine(const std::string& prefix,
                                           std::vector<std::string>* skipped = nullptr,
                                           std::chrono::milliseconds timeout = kLineTimeout)
    {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            auto line =
                ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!line)
                break;
            if (line->rfind(prefix, 0) == 0)
                return line;
            if (skipped)
                skipped->push_back(*line);
        }
        return std::nullopt;
    }

    // The exit code once it has ended within the timeout; nothing while it still runs.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout)
    {
        if (m_pid <= 0)
            return m_exit;
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            int status = 0;
            const pid_t done = waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_pid = -1;
                m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return m_exit;
            }
            if (done < 0 || Clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void Stop()
    {
        if (m_pid > 0) {
            kill(-m_pid, SIGTERM);
            if (!WaitExit(std::chrono::milliseconds(2000))) {
                kill(-m_pid, SIGKILL);
                int status = 0;
                waitpid(m_pid, &status, 0);
                m_pid = -1;
            }
        }
        if (m_out >= 0) {
            close(m_out);
            m_out = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
    std::optional<int> m_exit;
};

struct ToolResult
{
    int exitCode = -1;
    std::string output;
};

// Runs a short-lived tool to its end, killed when it takes longer than kToolTimeout.
ToolResult RunTool(const std::vector<std::string>& argv, const Env& env)
{
    ToolResult result;
    CChild child;
    // Polling tools complain on every try before the display is up; their exit code says enough.
    if (!child.Start(argv, env, true, true))
        return result;
    const auto deadline = Clock::now() + kToolTimeout;
    while (Clock::now() < deadline) {
        auto line =
            child.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        if (!line)
            break;
        result.output += *line + "\n";
    }
    if (auto code = child.WaitExit(std::chrono::milliseconds(500)))
        result.exitCode = *code;
    return result;
}

// A display number with neither a socket nor a lock file, above the ones desktops use.
int PickFreeDisplay(int from)
{
    for (int n = from; n < from + 200; ++n)
        if (!Exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
            !Exists("/tmp/.X" + std::to_string(n) + "-lock"))
            return n;
    return -1;
}

bool ParsePair(const std::string& text, const std::string& prefix, int& x, int& y)
{
    return text.rfind(prefix, 0) == 0 && std::sscanf(text.c_str() + prefix.size(), "%d %d", &x, &y) == 2;
}

struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;
};

Rgb RgbOf(plat::Color color)
{
    return Rgb{static_cast<int>((color >> 16) & 0xFF), static_cast<int>((color >> 8) & 0xFF),
               static_cast<int>(color & 0xFF)};
}

std::string Describe(const Rgb& c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

bool Near(const Rgb& a, const Rgb& b)
{
    return std::abs(a.r - b.r) <= 8 && std::abs(a.g - b.g) <= 8 && std::abs(a.b - b.b) <= 8;
}

class WindowOnDisplayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xdpyinfo", "import", "stream"}) {
            const std::string path = FindProgram(tool);
            if (path.empty())
                GTEST_SKIP() << tool << " is not installed; the window cannot be shown on a real display";
            m_tools[tool] = path;
        }
        // HOME and the XDG folders point into the temp folder so no tool writes to the real home.
        m_env = Env{{"HOME", m_temp.Path()},
                    {"XDG_CONFIG_HOME", m_temp.Child("config")},
                    {"XDG_CACHE_HOME", m_temp.Child("cache")},
                    {"XDG_DATA_HOME", m_temp.Child("data")},
                    {"XDG_RUNTIME_DIR", m_temp.Path()},
                    {"SDL_VIDEODRIVER", "x11"}};
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        ASSERT_NO_FATAL_FAILURE(StartWindowManager());
    }

    void StartDisplay()
    {
        // Another run may take the same free number between the check and Xvfb's start: try a few.
        int from = 77;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int number = PickFreeDisplay(from);
            ASSERT_GE(number, 0) << "no free X display number";
            m_display = ":" + std::to_string(number);
            m_env["DISPLAY"] = m_display;
            // -noreset: by default the server resets when its last client leaves, and a window manager
            // connecting just as the polling tool disconnects is thrown out by that reset.
            ASSERT_TRUE(m_xvfb.Start(
                {m_tools["Xvfb"], m_display, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
                m_env, false, true, m_temp.Child("xvfb.log")));
            const std::string lockFile = "/tmp/.X" + std::to_string(number) + "-lock";
            for (int i = 0; i < kPollTries; ++i) {
                // The lock file names the server's pid: a display answering without it is another run's.
                if (LockOwner(lockFile) == m_xvfb.Pid() &&
                    RunTool({m_tools["xdpyinfo"]}, m_env).exitCode == 0)
                    return;
                if (m_xvfb.WaitExit(std::chrono::milliseconds(0)))
                    break;
                std::this_thread::sleep_for(kPollPause);
            }
            m_xvfb.Stop();
            from = number + 1;
        }
        FAIL() << "Xvfb did not come up: " << ReadLog("xvfb.log");
    }

    static pid_t LockOwner(const std::string& lockFile)
    {
        std::ifstream file(lockFile);
        long pid = -1;
        return file >> pid ? static_cast<pid_t>(pid) : -1;
    }

    void StartWindowManager()
    {
        ASSERT_TRUE(m_openbox.Start({m_tools["openbox"], "--sm-disable"}, m_env, false, true,
                                    m_temp.Child("openbox.log")));
        // openbox announces itself with the EWMH desktop count on the root window.
        for (int i = 0; i < kPollTries; ++i) {
            const ToolResult desktops = RunTool({m_tools["xdotool"], "get_num_desktops"}, m_env);
            if (desktops.exitCode == 0 && std::atoi(desktops.output.c_str()) > 0)
                return;
            if (const auto ended = m_openbox.WaitExit(std::chrono::milliseconds(0)))
                FAIL() << "openbox ended at start with " << *ended << ": " << ReadLog("openbox.log");
            std::this_thread::sleep_for(kPollPause);
        }
        FAIL() << "openbox did not take the display: " << ReadLog("openbox.log");
    }

    std::string ReadLog(const std::string& name)
    {
        std::ifstream file(m_temp.Child(name));
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }

    ToolResult Xdotool(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{m_tools["xdotool"]};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunTool(argv, m_env);
    }

    // The X window id of the demo, found by its title.
    std::string FindDemoWindow()
    {
        for (int i = 0; i < kPollTries; ++i) {
            const ToolResult found = Xdotool({"search", "--name", e2edemo::kTitleUtf8});
            if (found.exitCode == 0 && !found.output.empty())
                return found.output.substr(0, found.output.find('\n'));
            std::this_thread::sleep_for(kPollPause);
        }
        return {};
    }

    bool WindowPosition(const std::string& id, int& x, int& y)
    {
        const ToolResult geometry = Xdotool({"getwindowgeometry", id});
        const auto at = geometry.output.find("Position: ");
        return geometry.exitCode == 0 && at != std::string::npos &&
               std::sscanf(geometry.output.c_str() + at + 10, "%d,%d", &x, &y) == 2;
    }

    sktest::TempDir m_temp;
    std::map<std::string, std::string> m_tools;
    Env m_env;
    std::string m_display;
    // Declared in start order: destroyed in reverse, the demo first and the X server last.
    CChild m_xvfb;
    CChild m_openbox;
    CChild m_demo;
};

TEST_F(WindowOnDisplayTest, ShownWindowTakesAClickMovesByItsCaptionAndClosesCleanly)
{
    ASSERT_TRUE(m_demo.Start({SK_E2E_DEMO_PATH}, m_env, true));
    const auto ready = m_demo.WaitForLine("ready ");
    ASSERT_TRUE(ready) << "the demo did not report its window";
    int readyX = 0;
    int readyY = 0;
    ASSERT_TRUE(ParsePair(*ready, "ready ", readyX, readyY)) << *ready;

    const std::string id = FindDemoWindow();
    ASSERT_FALSE(id.empty()) << "no window titled " << e2edemo::kTitleUtf8 << " on the display";
    int startX = 0;
    int startY = 0;
    ASSERT_TRUE(WindowPosition(id, startX, startY));

    // A click in the client area reaches the window procedure in client coordinates.
    const int clickX = 60;
    const int clickY = 150;
    ASSERT_EQ(
        Xdotool({"mousemove", std::to_string(startX + clickX), std::to_string(startY + clickY), "click", "1"})
            .exitCode,
        0);
    const auto click = m_demo.WaitForLine("click ");
    ASSERT_TRUE(click) << "the click did not reach the window";
    int gotX = 0;
    int gotY = 0;
    ASSERT_TRUE(ParsePair(*click, "click ", gotX, gotY)) << *click;
    EXPECT_EQ(gotX, clickX);
    EXPECT_EQ(gotY, clickY);

    // Dragging the caption goes through the window manager; the steps give it motion to follow.
    const int dx = 200;
    const int dy = 150;
    const int grabX = startX + 300;
    const int grabY = startY + e2edemo::kCaptionHeight / 2;
    ASSERT_EQ(Xdotool({"mousemove", std::to_string(grabX), std::to_string(grabY), "mousedown", "1", "sleep",
                       "0.2", "mousemove", std::to_string(grabX + dx / 2), std::to_string(grabY + dy / 2),
                       "sleep", "0.2", "mousemove", std::to_string(grabX + dx), std::to_string(grabY + dy),
                       "sleep", "0.2", "mouseup", "1"})
                  .exitCode,
              0);
    std::vector<std::string> skipped;
    const auto moved = m_demo.WaitForLine("moved ", &skipped);
    ASSERT_TRUE(moved) << "no WM_MOVE after dragging the caption";
    for (const auto& line : skipped)
        EXPECT_EQ(line.rfind("click ", 0), std::string::npos)
            << "a caption press reached the client: " << line;

    // The window manager may deliver the move in steps: wait until the window sits where the drag ended.
    int endX = startX;
    int endY = startY;
    for (int i = 0; i < kPollTries; ++i) {
        ASSERT_TRUE(WindowPosition(id, endX, endY));
        if (std::abs(endX - (startX + dx)) <= 2 && std::abs(endY - (startY + dy)) <= 2)
            break;
        std::this_thread::sleep_for(kPollPause);
    }
    EXPECT_NEAR(endX, startX + dx, 2);
    EXPECT_NEAR(endY, startY + dy, 2);
    // The last WM_MOVE the window procedure saw names the place the window manager left it at.
    int reportedX = 0;
    int reportedY = 0;
    ASSERT_TRUE(ParsePair(*moved, "moved ", reportedX, reportedY)) << *moved;
    while (auto line = m_demo.ReadLine(std::chrono::milliseconds(300)))
        if (line->rfind("moved ", 0) == 0)
            ASSERT_TRUE(ParsePair(*line, "moved ", reportedX, reportedY)) << *line;
    EXPECT_EQ(reportedX, endX);
    EXPECT_EQ(reportedY, endY);

    // The screenshot shows the painted window at its new place and no longer at the old one.
    const std::string shot = m_temp.Child("screen.png");
    ASSERT_EQ(RunTool({m_tools["import"], "-window", "root", shot}, m_env).exitCode, 0);
    if (const char* keep = std::getenv("SK_E2E_SCREENSHOT"); keep && *keep) {
        std::error_code error;
        std::filesystem::copy_file(shot, keep, std::filesystem::copy_options::overwrite_existing, error);
        EXPECT_FALSE(error) << "cannot keep the screenshot as " << keep << ": " << error.message();
    }
    const std::string raw = m_temp.Child("screen.rgb");
    ASSERT_EQ(RunTool({m_tools["stream"], "-map", "rgb", "-storage-type", "char", shot, raw}, m_env).exitCode,
              0);
    std::ifstream rawFile(raw, std::ios::binary);
    const std::string pixels((std::istreambuf_iterator<char>(rawFile)), std::istreambuf_iterator<char>());
    constexpr int kScreenWidth = 1024;
    constexpr int kScreenHeight = 768;
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kScreenWidth * kScreenHeight * 3));
    auto pixelAt = [&](int x, int y) {
        const size_t at = (static_cast<size_t>(y) * kScreenWidth + static_cast<size_t>(x)) * 3;
        return Rgb{static_cast<unsigned char>(pixels[at]), static_cast<unsigned char>(pixels[at + 1]),
                   static_cast<unsigned char>(pixels[at + 2])};
    };
    struct Probe
    {
        const char* what;
        int x;
        int y;
        plat::Color rgb;
    };
    const Probe probes[] = {
        {"caption, left end", 4, 4, e2edemo::kCaptionRgb},
        {"caption, right end", e2edemo::kWidth - 6, e2edemo::kCaptionHeight - 4, e2edemo::kCaptionRgb},
        {"client area", 30, 100, e2edemo::kClientRgb},
        {"client area, bottom right", e2edemo::kWidth - 6, e2edemo::kHeight - 6, e2edemo::kClientRgb},
        {"button face", e2edemo::kButton.left + 4, e2edemo::kButton.top + 4, e2edemo::kButtonRgb},
        {"button edge", e2edemo::kButton.left, e2edemo::kButton.top + 10, e2edemo::kButtonEdgeRgb},
    };
    for (const Probe& probe : probes) {
        const Rgb got = pixelAt(endX + probe.x, endY + probe.y);
        EXPECT_TRUE(Near(got, RgbOf(probe.rgb))) << probe.what << " at the new place shows " << Describe(got)
                                                 << ", expected " << Describe(RgbOf(probe.rgb));
    }
    // The old caption's left end lies outside the moved window.
    const Rgb oldCaption = pixelAt(startX + 4, startY + 4);
    EXPECT_FALSE(Near(oldCaption, RgbOf(e2edemo::kCaptionRgb))) << "the caption still shows at the old place";

    // Alt+F4 goes through the window manager's close request; the demo ends its loop with code 0.
    // openbox closes the active window on Alt+F4, so the demo has to be active before the key goes.
    bool active = false;
    for (int i = 0; i < kPollTries && !active; ++i) {
        Xdotool({"windowactivate", id});
        const ToolResult current = Xdotool({"getactivewindow"});
        active = current.exitCode == 0 && current.output.substr(0, current.output.find('\n')) == id;
        if (!active)
            std::this_thread::sleep_for(kPollPause);
    }
    ASSERT_TRUE(active) << "the window manager did not activate the demo";
    // The key goes through a grab of the window manager, which may miss one taken right after the
    // activation: a few tries, each bounded.
    std::optional<std::string> exitLine;
    std::vector<std::string> beforeExit;
    for (int attempt = 0; attempt < 3 && !exitLine; ++attempt) {
        ASSERT_EQ(Xdotool({"key", "alt+F4"}).exitCode, 0);
        exitLine = m_demo.WaitForLine("exit ", &beforeExit, std::chrono::milliseconds(2000));
    }
    ASSERT_TRUE(exitLine) << "the demo did not leave its loop after Alt+F4; it reported "
                          << ::testing::PrintToString(beforeExit);
    EXPECT_EQ(*exitLine, "exit 0");
    const auto code = m_demo.WaitExit(std::chrono::milliseconds(5000));
    ASSERT_TRUE(code) << "the demo did not exit after Alt+F4";
    EXPECT_EQ(*code, 0);
}

} // namespace
