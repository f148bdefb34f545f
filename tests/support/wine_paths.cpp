#include "tests/support/wine_paths.h"

#include <windows.h>

std::string Environment(const char* name)
{
    char value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string UnixPath(const std::string& windowsPath)
{
    if (windowsPath.size() < 2)
        return std::string();
    std::string path = windowsPath.substr(2); // past the drive
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitForFile(const std::string& path, bool present, unsigned long timeoutMilliseconds)
{
    const ULONGLONG end = GetTickCount64() + timeoutMilliseconds;
    while (FileExists(path) != present) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(5);
    }
    return true;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool StartUnixProgram(std::string command, std::string& failure)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        failure = "cannot start " + command + ": error " + std::to_string(GetLastError());
        return false;
    }
    // A Unix program gets no Windows process: Wine answers a null process
    // handle and a thread handle that is whatever its stack held. Closing that
    // may close a real handle of this process; in a 32-bit test it took the
    // desktop's (a small number there), and the test hung at its next window
    // call.
    if (process.hProcess) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return true;
}
