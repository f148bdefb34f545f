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

    const std::string install = "\"" + WindowsPath(Environment("KORVANE_SETUP")) + "\" /S";
    ASSERT_EQ(RunToTheEnd(install), "");
    for (const char* name : {"README-ru.txt", "README-en.txt", "LICENSE.txt", "Uninstall.exe"})
        EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    // The packed program is the built one, signed when the release is.
    EXPECT_EQ(FileBytes(folder + "\\korvane.exe"), FileBytes(WindowsPath(Environment("KORVANE_PACKED_EXE"))))
        << "the installed program is not the one the release packed";
    EXPECT_TRUE(Exists(shortcut));
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayName"), "Korvane");
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayVersion"), Environment("KORVANE_VERSION"));
    EXPECT_EQ(RegistryText(UninstallKey, "Publisher"), Environment("KORVANE_PUBLISHER"));
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
    // Each alone counts as running: korvane.exe held open (a version without
    // the mutex), and the mutex (Korvane started from another folder).
    for (const bool mutex : {false, true}) {
        const std::unique_ptr<void, decltype(&CloseHandle)> held(
            mutex ? CreateMutexW(nullptr, FALSE, L"Local\\Korvane.Running")
                  : CreateFileA((folder + "\\korvane.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr),
            &CloseHandle);
        EXPECT_EQ(ExitCodeOf(install), Refused) << (mutex ? "the mutex" : "korvane.exe held");
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
    EXPECT_EQ(RegistryText("Software\\Korvane", "Port"), "(missing)");
    EXPECT_EQ(RegistryText("Software\\Korvane", "Other"), "(missing)");
}

} // namespace
