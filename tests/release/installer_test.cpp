// The installer as a user runs it, silently: what it puts where, the program
// it installs, neither it nor the uninstaller touching a running program, and
// the uninstaller taking all of it out again.
#include "tests/e2e/client_fixture.h"
#include "tests/support/wine_paths.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane";

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string RegistryText(const std::string& key, const char* value)
{
    char text[1024] = {};
    DWORD size = sizeof text;
    const LONG result = RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_ANY, nullptr, text, &size);
    return result == ERROR_SUCCESS ? text : "(missing)";
}

// The company named in the file's version information, in its first
// language.
std::string CompanyName(const std::string& path)
{
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    WORD* translation = nullptr;
    char* value = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < 2 * sizeof(WORD))
        return "(missing)";
    char name[64];
    wsprintfA(name, "\\StringFileInfo\\%04x%04x\\CompanyName", translation[0], translation[1]);
    return VerQueryValueA(block.data(), name, reinterpret_cast<void**>(&value), &size) ? value : "(missing)";
}

// Waits for the process and the processes it started: the uninstaller copies
// itself away, starts the copy and returns at once. An installer takes some
// ten seconds emulated, and several times that on a loaded machine.
constexpr DWORD InstallerWait = 6 * LongWait;

std::uint64_t CreationTime(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// Empty when the command and what it started have ended; otherwise what is
// still running, so that a failure names it. The command's own exit code
// goes to exitCode when asked for.
std::string RunToTheEnd(std::string command, DWORD* exitCode = nullptr)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return "not started: " + command;
    CloseHandle(info.hThread);
    std::string running;
    if (WaitForSingleObject(info.hProcess, InstallerWait) != WAIT_OBJECT_0)
        running = command;
    if (exitCode)
        GetExitCodeProcess(info.hProcess, exitCode);
    const std::uint64_t started = CreationTime(info.hProcess);
    CloseHandle(info.hProcess);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && running.empty(); more = Process32Next(snapshot, &entry)) {
        // Wine starts its desktop process as a child of the first program
        // that needs the desktop when none runs, and it lives until the
        // session ends: it is not the installer's work.
        const bool desktop = lstrcmpiA(entry.szExeFile, "explorer.exe") == 0;
        HANDLE child = entry.th32ParentProcessID == info.dwProcessId && !desktop
                           ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)
                           : nullptr;
        if (!child)
            continue;
        // Process numbers are reused: after a long session an older process
        // may name a parent that had the installer's number. Only a process
        // started after the installer can be its child.
        if (CreationTime(child) >= started && WaitForSingleObject(child, InstallerWait) != WAIT_OBJECT_0)
            running = std::string(entry.szExeFile) + ", started by " + command;
        CloseHandle(child);
    }
    CloseHandle(snapshot);
    return running;
}

// Exit code 2 is a refusal: the installer and the uninstaller change nothing
// while Korvane runs.
constexpr DWORD Refused = 2;

DWORD ExitCodeOf(const std::string& command)
{
    DWORD code = STILL_ACTIVE;
    EXPECT_EQ(RunToTheEnd(command, &code), "");
    return code;
}

TEST_F(ClientTest, InstallerInstallsForTheUserAndUninstallsWithoutATrace)
{
    const std::string programs = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs";
    const std::string folder = programs + "\\Korvane";
    const std::string shortcut = ShellFolder(CSIDL_PROGRAMS) + "\\Korvane.lnk";
    const std::string uninstall = "\"" + folder + "\\Uninstall.exe\" /S";
    // A run that stopped half-way left the program installed in this prefix.
    if (Exists(folder + "\\Uninstall.exe")) {
        ASSERT_EQ(RunToTheEnd(uninstall), "");
    }
    const bool programsExisted = Exists(programs);

    const std::string setup = WindowsPath(Environment("KORVANE_SETUP"));
    const std::string install = "\"" + setup + "\" /S";
    ASSERT_EQ(RunToTheEnd(install), "");
    for (const char* name : {"README-ru.txt", "README-en.txt", "LICENSE.txt", "Uninstall.exe"})
        EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    EXPECT_EQ(FileBytes(folder + "\\korvane.exe"), FileBytes(WindowsPath(Environment("KORVANE_EXE"))))
        << "the installed program is not the tested one";
    EXPECT_TRUE(Exists(shortcut));
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayName"), "Korvane");
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayVersion"), Environment("KORVANE_VERSION"));
    // One publisher throughout.
    EXPECT_EQ(RegistryText(UninstallKey, "Publisher"), CompanyName(folder + "\\korvane.exe"));
    EXPECT_EQ(CompanyName(setup), CompanyName(folder + "\\korvane.exe"));
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayIcon"), folder + "\\korvane.exe");
    EXPECT_EQ(RegistryText(UninstallKey, "UninstallString"), "\"" + folder + "\\Uninstall.exe\"");
    EXPECT_NE(RegistryText(UninstallKey, "EstimatedSize"), "(missing)");

    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger, folder + "\\korvane.exe"));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    // While it runs, neither the uninstaller in place nor an install over it
    // changes anything: a version that an install would set back stays.
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, UninstallKey.c_str(), "DisplayVersion", REG_SZ, "0.9", 4),
              ERROR_SUCCESS);
    EXPECT_EQ(ExitCodeOf(uninstall + " _?=" + folder), Refused);
    EXPECT_TRUE(Exists(folder + "\\korvane.exe"));
    EXPECT_EQ(ExitCodeOf(install), Refused);
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayVersion"), "0.9");
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    using Handle = std::unique_ptr<void, decltype(&CloseHandle)>;
    {
        // A korvane.exe that cannot be overwritten runs as well, as far as
        // the installer can tell: a version without the mutex.
        const Handle held(
            CreateFileA((folder + "\\korvane.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            &CloseHandle);
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(ExitCodeOf(install), Refused);
    }
    {
        // The mutex alone: Korvane running from another folder, or started
        // just before the file was looked at.
        const Handle mutex(CreateMutexW(nullptr, FALSE, L"Local\\Korvane.Running"), &CloseHandle);
        ASSERT_NE(mutex.get(), nullptr);
        EXPECT_EQ(ExitCodeOf(install), Refused);
    }
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayVersion"), "0.9");
    EXPECT_EQ(ExitCodeOf(install), 0u);
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayVersion"), Environment("KORVANE_VERSION"));

    // What a later run of the program remembers goes with it, all of it.
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Korvane", "Port", REG_SZ, "COM7", 5), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Korvane", "Other", REG_SZ, "x", 2), ERROR_SUCCESS);

    ASSERT_EQ(RunToTheEnd(uninstall), "");
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(Exists(programs), programsExisted);
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayName"), "(missing)");
    HKEY settings = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Korvane", 0, KEY_READ, &settings), ERROR_FILE_NOT_FOUND);
    if (settings)
        RegCloseKey(settings);
}

} // namespace
