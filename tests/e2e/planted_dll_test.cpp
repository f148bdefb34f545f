// Korvane started from a folder that also holds a winmm.dll and a
// riched20.dll, as a downloads folder may: it runs on the system's own. The
// test's environment makes Wine search for those two as Windows does.
#include "tests/e2e/client_fixture.h"
#include "tests/support/wine_paths.h"

namespace {

constexpr const char* PlantedNames[] = {"winmm.dll", "riched20.dll"};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The program's exit code, or -1 when it did not start or end in time.
long RunProgram(std::string command)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    DWORD code = 0;
    const bool ended = WaitForSingleObject(info.hProcess, LongWait) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return ended ? static_cast<long>(code) : -1;
}

TEST_F(ClientTest, LeavesTheCopiesInItsOwnFolderAlone)
{
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder = std::string(temp) + "korvane-planted";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string program = folder + "\\korvane.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(Environment("KORVANE_EXE")).c_str(), program.c_str(), FALSE));
    const std::string planted = WindowsPath(Environment("KORVANE_PLANTED_DLLS"));
    const std::string probe = folder + "\\planted_probe.exe";
    ASSERT_TRUE(CopyFileA((planted + "\\planted_probe.exe").c_str(), probe.c_str(), FALSE));
    for (const char* name : PlantedNames) {
        ASSERT_TRUE(CopyFileA((planted + "\\" + name).c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
        DeleteFileA((folder + "\\" + name + ".loaded").c_str());
    }
    // A program that loads them by bare name does run the copies.
    ASSERT_EQ(RunProgram("\"" + probe + "\" winmm.dll riched20.dll"), 0);
    for (const char* name : PlantedNames) {
        EXPECT_TRUE(Exists(folder + "\\" + name + ".loaded")) << "the probe did not load the " << name << " beside it";
        DeleteFileA((folder + "\\" + name + ".loaded").c_str());
    }

    // Read sleeps between its commands (WINMM) and adds to the log (RICHED20).
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger, program));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+21.5"});
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    for (const char* name : PlantedNames)
        EXPECT_FALSE(Exists(folder + "\\" + name + ".loaded")) << "the " << name << " beside the program ran in it";
}

} // namespace
