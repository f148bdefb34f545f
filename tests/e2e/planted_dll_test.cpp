// Korvane started from a folder that also holds a winmm.dll and a
// riched20.dll, as a downloads folder may: it runs on the system's own. The
// test's environment makes Wine search for those two as Windows does.
#include "tests/e2e/client_fixture.h"
#include "tests/support/wine_paths.h"

namespace {

constexpr const char* PlantedNames[] = {"winmm.dll", "riched20.dll"};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
    ClientProcess probeRun("winmm.dll riched20.dll", probe);
    ASSERT_EQ(probeRun.WaitForExit(), std::optional<DWORD>(0));
    for (const char* name : PlantedNames) {
        EXPECT_TRUE(Exists(folder + "\\" + name + ".loaded")) << "the probe did not load the " << name << " beside it";
        DeleteFileA((folder + "\\" + name + ".loaded").c_str());
    }

    // Read adds to the log (RICHED20); between its commands it sleeps, with
    // WINMM only where the system has no high-resolution timer.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger, program));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+21.5"});
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    for (const char* name : PlantedNames)
        EXPECT_FALSE(Exists(folder + "\\" + name + ".loaded")) << "the " << name << " beside the program ran in it";
}

} // namespace
