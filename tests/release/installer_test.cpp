// The installer as a user runs it, silently: what it puts where, the program
// it installs, and the uninstaller taking all of it out again.
#include "tests/e2e/client_fixture.h"
#include "tests/support/wine_paths.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <fstream>
#include <iterator>

namespace {

const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane";
const std::string SettingsKey = "Software\\Korvane";
constexpr DWORD InstallerWait = 120000;

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

// Every line, the last too, ends in CR LF.
bool WindowsLines(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return false;
    return !text.empty() && text.back() == '\n';
}

bool KeyExists(const std::string& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

std::string RegistryText(const std::string& key, const char* value)
{
    char text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "(missing)";
    return text;
}

DWORD RegistryNumber(const std::string& key, const char* value)
{
    DWORD number = 0;
    DWORD size = sizeof number;
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}

std::string ShortcutTarget(const std::string& link)
{
    std::string target;
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const std::wstring wideLink(link.begin(), link.end());
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wideLink.c_str(), STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shellLink->Release();
    return target;
}

// Waits for the process and for every process it started: the uninstaller
// copies itself away, starts the copy and returns at once.
bool RunToTheEnd(std::string command)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    const bool ended = WaitForSingleObject(info.hProcess, InstallerWait) == WAIT_OBJECT_0;
    CloseHandle(info.hProcess);
    if (!ended)
        return false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool childrenEnded = true;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != info.dwProcessId)
            continue;
        if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            childrenEnded &= WaitForSingleObject(child, InstallerWait) == WAIT_OBJECT_0;
            CloseHandle(child);
        }
    }
    CloseHandle(snapshot);
    return childrenEnded;
}

class InstallerTest : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    }
    void TearDown() override
    {
        ClientTest::TearDown();
        CoUninitialize();
    }
};

TEST_F(InstallerTest, InstallsForTheUserRunsAndUninstallsWithoutATrace)
{
    const std::string programs = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs";
    const std::string folder = programs + "\\Korvane";
    const std::string shortcut = ShellFolder(CSIDL_PROGRAMS) + "\\Korvane.lnk";
    // A run that stopped half-way left the program installed in this prefix.
    if (Exists(folder + "\\Uninstall.exe")) {
        ASSERT_TRUE(RunToTheEnd("\"" + folder + "\\Uninstall.exe\" /S"));
    }
    ASSERT_FALSE(Exists(folder)) << "an earlier run left " << folder;
    const bool programsExisted = Exists(programs);

    ASSERT_TRUE(RunToTheEnd("\"" + WindowsPath(Environment("KORVANE_SETUP")) + "\" /S"));

    for (const char* name : {"korvane.exe", "README-ru.txt", "README-en.txt", "LICENSE.txt", "Uninstall.exe"})
        EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    EXPECT_EQ(FileBytes(folder + "\\korvane.exe"), FileBytes(WindowsPath(Environment("KORVANE_EXE"))))
        << "the installed program is not the tested one";
    // Windows text files: a byte-order mark and CR LF throughout.
    for (const char* name : {"README-ru.txt", "README-en.txt", "LICENSE.txt"}) {
        const std::string text = FileBytes(folder + "\\" + name);
        EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << name;
        EXPECT_TRUE(WindowsLines(text)) << name;
    }
    EXPECT_STRCASEEQ(ShortcutTarget(shortcut).c_str(), (folder + "\\korvane.exe").c_str());

    const std::string version = Environment("KORVANE_VERSION");
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayName"), "Korvane");
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayVersion"), version);
    EXPECT_EQ(RegistryText(UninstallKey, "Publisher"), "the Korvane authors");
    EXPECT_EQ(RegistryText(UninstallKey, "DisplayIcon"), folder + "\\korvane.exe");
    EXPECT_EQ(RegistryText(UninstallKey, "UninstallString"), "\"" + folder + "\\Uninstall.exe\"");
    const std::size_t programKiB = FileBytes(folder + "\\korvane.exe").size() / 1024;
    EXPECT_GE(RegistryNumber(UninstallKey, "EstimatedSize"), programKiB);

    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger, folder + "\\korvane.exe"));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    // The port a later run of the program remembers.
    HKEY settings = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &settings,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(settings, "Port", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM7"), 5);
    RegCloseKey(settings);

    ASSERT_TRUE(RunToTheEnd("\"" + folder + "\\Uninstall.exe\" /S"));
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(Exists(programs), programsExisted);
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_FALSE(KeyExists(UninstallKey));
    EXPECT_FALSE(KeyExists(SettingsKey));
}

} // namespace
