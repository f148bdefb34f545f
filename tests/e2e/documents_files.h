#pragma once
// The files the program keeps in the Documents folder, as the tests find and
// read them.

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::filesystem::path Documents()
{
    wchar_t documents[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);
    return documents;
}

// The Documents folder's files whose names begin with `prefix`, in name
// order: a second's files after the earlier ones.
inline std::vector<std::filesystem::path> DocumentsFiles(const std::string& prefix)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Documents(), error))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(in), {}};
}

// A watch's record files, oldest first.
inline std::vector<std::filesystem::path> WatchFiles() { return DocumentsFiles("korvane-watch-"); }
