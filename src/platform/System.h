#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Types.h"

// The system half of the platform layer: module, files and folders, volumes, known folders,
// locale, system facts, processes, the per-session lock, profile files, the registry store,
// GUIDs, the clock, the desktop session and the shell.
//
// Paths are wide texts with the native separator. Failures are return values; nothing throws.
namespace plat {

// ---- Module ----------------------------------------------------------------------------------

// Full path of the running program file; empty when it cannot be found.
std::wstring GetModulePath();

// ---- Files and folders -----------------------------------------------------------------------

enum : uint32_t
{
    kFileAttribute_ReadOnly = 0x1,
    kFileAttribute_Directory = 0x10,
    kFileAttribute_Normal = 0x80,
    kInvalidFileAttributes = 0xFFFFFFFF,
};

// kFileAttribute_Directory for a folder, kFileAttribute_Normal for any other existing entry,
// kInvalidFileAttributes when nothing is there (or it cannot be reached).
uint32_t GetFileAttributes(const std::wstring& path);

// Creates one folder; its parent must exist. False when it could not be created (also when
// something already exists at the path).
bool CreateDirectory(const std::wstring& path);

// Results of CreateDirectoryTree, with the Windows error numbers.
enum : int
{
    kError_Success = 0,
    kError_PathNotFound = 3,
    kError_AccessDenied = 5,
    kError_AlreadyExists = 183,
};

// Creates the folder and every missing parent: kError_Success, kError_AlreadyExists when the
// folder was there already, another kError_* when it could not be made.
int CreateDirectoryTree(const std::wstring& path);

// Deletes one file (not a folder). True when it is gone.
bool DeleteFile(const std::wstring& path);

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with a wide path ("rb", "wb", "r+b", ...); null on failure.
FilePtr OpenFile(const std::wstring& path, const char* mode);

// Reads a whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);

// Writes bytes to a file, creating or truncating it. False on any failure.
bool WriteFileBytes(const std::wstring& path, const void* data, size_t size);

// ---- Volumes and known folders ---------------------------------------------------------------

// Total free bytes of the volume that holds the path (the nearest existing folder on it),
// not limited to the caller's share.
bool GetDiskFreeBytes(const std::wstring& path, uint64_t& freeBytes);

// The folder programs are installed into, without a trailing separator ("/opt").
std::wstring GetProgramFilesFolder();

// A folder for the per-session lock files, the same for root and the desktop user ("/run/lock",
// or "/tmp/valtrix-locks" where that is missing).
std::wstring GetRuntimeFolder();

// ---- Locale and system facts -----------------------------------------------------------------

// The user's UI language as a Windows language id (1033 English (United States), ...),
// from LANGUAGE (its first entry), LC_ALL, LC_MESSAGES, LANG in that order; 1033 when none
// of them names a known language.
uint16_t GetUserDefaultUILanguage();

// The Windows language id of a locale name such as "pt_BR.UTF-8", "de", "zh_TW"; 0 when unknown.
uint16_t LanguageIdFromLocale(const std::string& locale);

// The operating system's product name ("Debian GNU/Linux 12 (bookworm)"); empty when unknown.
std::wstring GetOsProductName();
// PRETTY_NAME of an os-release file's text, unquoted; empty when it has none.
std::wstring OsProductNameFromOsRelease(const std::string& text);

// Processor architectures with the Windows numbers.
enum : int
{
    kProcessorArchitecture_Intel = 0,
    kProcessorArchitecture_Arm = 5,
    kProcessorArchitecture_Ia64 = 6,
    kProcessorArchitecture_Amd64 = 9,
    kProcessorArchitecture_Arm64 = 12,
    kProcessorArchitecture_Unknown = 0xFFFF,
};

// The machine's native processor architecture (uname's machine field).
int GetNativeProcessorArchitecture();
// The same mapping, for a given machine name ("x86_64" gives 9).
int ProcessorArchitectureFromMachine(const std::string& machine);

// ---- Processes -------------------------------------------------------------------------------

struct ProcessEntry
{
    uint32_t pid = 0;
    std::wstring imageName; // base name of the program file, as the system reports it
};

// Every process this user can see, in ascending id order.
std::vector<ProcessEntry> SnapshotProcesses();

// Ends a process at once (SIGKILL). False when it cannot be signalled (gone, not ours).
bool TerminateProcess(uint32_t pid);

enum class WaitResult
{
    kExited,
    kTimeout,
    kFailed,
};

inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// A child process started by CreateProcess. The object owns the child: destroying it does not
// end the child, but a suspended child that was never resumed is killed and reaped.
class Process
{
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool IsValid() const { return m_pid > 0; }
    uint32_t Id() const { return static_cast<uint32_t>(m_pid); }

    // Lets a suspended child run; does nothing for one that runs already. False when the program
    // could not be started after all (the child is reaped then).
    bool Resume();
    // Waits for the child to end; the exit code is the child's status (128 + signal when killed).
    WaitResult Wait(uint32_t timeoutMs, uint32_t* exitCode = nullptr);

private:
    friend bool CreateProcess(const std::wstring&, const std::wstring&, bool, Process&);
    int m_pid = -1;
    int m_resumeFd = -1; // write end of the pipe a suspended child waits on
    int m_errorFd = -1;  // read end of the pipe a failed exec reports its errno on
    bool m_reaped = false;
    int m_status = 0;
};

// Starts a program. The arguments come from the command line split by the Windows rules
// (blanks separate, double quotes group, backslashes escape quotes); argv[0] is its first
// token (the application path when that token is empty, as for a line that starts with a blank).
// An empty application path runs the first token, searched on PATH. A suspended child has not yet run the
// program when this returns: Resume starts it. False (and nothing left running) when the program cannot be
// started.
bool CreateProcess(const std::wstring& applicationPath, const std::wstring& commandLine, bool suspended,
                   Process& process);

// The Windows command-line splitting used by CreateProcess. The first token follows the rules for
// a program name (quotes group, backslashes are literal; empty when the line starts with a blank).
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// The calling thread's id as the system lists it (what "[Thread][%d]" log records show).
uint32_t GetCurrentThreadId();

// ---- Per-session lock ------------------------------------------------------------------------

enum class LockResult
{
    kAcquired,
    kAlreadyHeld,
    kFailed,
};

// Takes the lock of this name for the desktop user's session and holds it until the process
// ends (the kernel frees it then, also after a crash). The same name taken again by another
// process of the same desktop user gives kAlreadyHeld.
LockResult AcquireSessionLock(const std::wstring& name);

// ---- Profile (ini) files ---------------------------------------------------------------------

// The value of a key, as the Windows profile reader gives it: section and key names compare
// ignoring case, blanks around names and values are trimmed, one pair of surrounding quotes is
// removed, the first of duplicate keys wins. At most maxChars - 1 characters. The default
// when the file, section or key is missing. UTF-8 files and UTF-16LE files with a byte-order
// mark are read.
std::wstring GetProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                              const std::wstring& defaultValue, size_t maxChars);

// Every "key=value" entry of a section in file order, blanks around key and value trimmed
// (lines without "=" come as they are, trimmed). Empty when the file or section is missing.
std::vector<std::wstring> GetProfileSection(const std::wstring& file, const std::wstring& section);

// ---- Registry store --------------------------------------------------------------------------

enum class RegRoot
{
    kLocalMachine,
    kCurrentUser,
};

enum : uint32_t
{
    kReg_CreatedNewKey = 1,
    kReg_OpenedExistingKey = 2,
};

// Results with the Windows error numbers.
enum : long
{
    kReg_Success = 0,
    kReg_FileNotFound = 2,
    kReg_AccessDenied = 5,
    kReg_MoreData = 234,
};

// An open key of the file-backed registry store. Move-only.
class RegKey
{
public:
    RegKey() = default;
    bool IsOpen() const { return !m_folder.empty(); }
    const std::string& Folder() const { return m_folder; }

private:
    friend long RegCreateKey(RegRoot, const std::wstring&, RegKey&, uint32_t*);
    friend long RegOpenKey(RegRoot, const std::wstring&, RegKey&);
    std::string m_folder;
};

// Creates a key with its parents, or opens it; disposition kReg_CreatedNewKey or
// kReg_OpenedExistingKey. Sub-keys are separated by backslashes.
long RegCreateKey(RegRoot root, const std::wstring& subKey, RegKey& key, uint32_t* disposition);
long RegOpenKey(RegRoot root, const std::wstring& subKey, RegKey& key);
// REG_SZ values. Reading a value that is not there gives kReg_FileNotFound; a value longer than
// maxBytes (counted as UTF-16 bytes with the terminator) gives kReg_MoreData.
long RegQueryString(const RegKey& key, const std::wstring& valueName, std::wstring& value, size_t maxBytes);
long RegSetString(const RegKey& key, const std::wstring& valueName, const std::wstring& value);

// ---- GUIDs -----------------------------------------------------------------------------------

struct Guid
{
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// A random (version 4) GUID.
bool CreateGuid(Guid& guid);

// ---- Clock -----------------------------------------------------------------------------------

// Milliseconds of a monotonic clock (since an arbitrary start).
uint64_t GetTickCount64();

// Waits the given time on the platform clock; with the test clock it returns once the clock
// has been moved on that far.
void Sleep(uint32_t ms);

// ---- Desktop session -------------------------------------------------------------------------

// The graphical session of the person who started the setup program. Filled once, from the
// environment the program was started with: SUDO_UID / PKEXEC_UID name the desktop user when
// the program runs elevated; otherwise the current user is the desktop user.
struct DesktopSession
{
    uint32_t uid = 0;
    uint32_t gid = 0;
    std::vector<uint32_t> groups;
    std::string userName;
    std::string home;
    // DISPLAY, XAUTHORITY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS and the proxy
    // variables, as far as they were set.
    std::vector<std::pair<std::string, std::string>> environment;
};

const DesktopSession& GetDesktopSession();

// Builds the record from an environment lookup: the SUDO_UID / SUDO_GID or PKEXEC_UID user when
// elevated, else the current user.
DesktopSession MakeDesktopSession(const std::function<const char*(const char*)>& getEnv, bool elevated);

// The names of the variables DesktopSession::environment carries.
const std::vector<std::string>& DesktopSessionVariables();

// True when the program runs as root.
bool IsElevated();

// ---- Shell -----------------------------------------------------------------------------------

// Opens a web page or a file with the desktop user's default program (xdg-open), always as the
// desktop user in the desktop session. False when nothing could be started.
bool ShellOpen(const std::wstring& fileOrUrl);

// Starts a program with this process's rights (root when elevated), in the desktop session.
bool ShellExecuteProgram(const std::wstring& program);

// Starts a program as the desktop user (uid, gid, groups, HOME), in the desktop session.
bool RunAsDesktopUser(const std::wstring& program);

struct ShellRequest
{
    enum Kind
    {
        kOpen,
        kExecute,
        kRunAsDesktopUser,
    } kind;
    std::wstring target;
};

// ---- Taskbar progress ------------------------------------------------------------------------

// The progress shown on the program's launcher entry, over the session bus. Without a bus it
// keeps its state and shows nothing.
class LauncherProgress
{
public:
    LauncherProgress();
    ~LauncherProgress();
    LauncherProgress(const LauncherProgress&) = delete;
    LauncherProgress& operator=(const LauncherProgress&) = delete;

    // Taskbar state flags: 0 none, 1 indeterminate, 2 normal, 4 error, 8 paused.
    void SetState(int flags);
    void SetValue(uint64_t completed, uint64_t total);

    bool IsConnected() const;
    int State() const;
    double Fraction() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// ---- Test hooks ------------------------------------------------------------------------------

namespace test {

// Redirects GetProgramFilesFolder; an empty path restores the real one.
void SetProgramFilesFolder(const std::wstring& path);
// Redirects GetRuntimeFolder; an empty path restores the real one.
void SetRuntimeFolder(const std::wstring& path);
// Moves the registry store's root folder; an empty path restores the real one.
void SetRegistryRoot(const std::wstring& path);
// Pretends the running program is this file (module path and everything derived from it).
void SetModulePath(const std::wstring& path);
// Answers shell requests in place of starting programs; an empty function restores the real one.
void SetShellResponder(std::function<bool(const ShellRequest&)> responder);

// The test clock: while it is on, GetTickCount64 stands still until AdvanceClock moves it, and
// Sleep blocks until the clock has been moved past its end.
void UseManualClock(bool on);
void AdvanceClock(uint64_t ms);
// Number of threads blocked in Sleep on the test clock (for tests that wait for a sleeper).
int SleepingThreads();
// Blocks until at least count threads are blocked in Sleep on the test clock.
void WaitForSleepingThreads(int count);
// Replaces the desktop session record; null restores the one read from the environment. Call it
// only while no other thread uses the record.
void SetDesktopSession(const DesktopSession* session);

} // namespace test

} // namespace plat
