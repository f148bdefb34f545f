// What korvane.exe carries besides its code: the icon in six sizes, the
// manifest that asks for the version 6 common controls, and the version
// information that names the program. Read from the built file as data.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 2)
// The group icon resource's header and entries.
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct IconGroupEntry {
    BYTE width; // 0 means 256
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitsPerPixel;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::string ProgramPath()
{
    char value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA("KORVANE_EXE", value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return {};
    std::string path = std::string("Z:") + value;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string path = ProgramPath();
        ASSERT_FALSE(path.empty()) << "KORVANE_EXE must name korvane.exe";
        module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << path << ": error " << GetLastError();
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }

    std::vector<BYTE> Resource(LPCSTR name, LPCSTR type) const
    {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found)
            return {};
        const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
        return bytes ? std::vector<BYTE>(bytes, bytes + SizeofResource(module_, found)) : std::vector<BYTE>{};
    }

    HMODULE module_ = nullptr;
};

TEST_F(ProgramResources, TheIconHasSixSizesInThirtyTwoBitsWithTheLargeImagesAsPng)
{
    const std::vector<BYTE> group = Resource(MAKEINTRESOURCEA(1), RT_GROUP_ICON);
    ASSERT_GE(group.size(), sizeof(IconGroupHeader));
    IconGroupHeader header{};
    std::memcpy(&header, group.data(), sizeof header);
    ASSERT_EQ(header.type, 1);
    ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(IconGroupEntry));

    std::vector<int> sizes;
    for (WORD i = 0; i < header.count; ++i) {
        IconGroupEntry entry{};
        std::memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
        const int size = entry.width == 0 ? 256 : entry.width;
        SCOPED_TRACE("image " + std::to_string(size));
        sizes.push_back(size);
        EXPECT_EQ(entry.bitsPerPixel, 32);
        const std::vector<BYTE> image = Resource(MAKEINTRESOURCEA(entry.id), RT_ICON);
        ASSERT_EQ(image.size(), entry.bytes);
        constexpr BYTE PngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        const bool png = image.size() >= sizeof PngSignature &&
                         std::memcmp(image.data(), PngSignature, sizeof PngSignature) == 0;
        // PNG for the two large images: the 128 one as a DIB would make up
        // a third of the program.
        EXPECT_EQ(png, size >= 128);
        if (!png) {
            BITMAPINFOHEADER bitmap{};
            ASSERT_GE(image.size(), sizeof bitmap);
            std::memcpy(&bitmap, image.data(), sizeof bitmap);
            EXPECT_EQ(bitmap.biWidth, size);
            EXPECT_EQ(bitmap.biHeight, 2 * size); // the colour image and its mask
            EXPECT_EQ(bitmap.biBitCount, 32);
        }
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 128, 256}));
}

TEST_F(ProgramResources, TheManifestAsksForCommonControlsSix)
{
    const std::vector<BYTE> bytes = Resource(MAKEINTRESOURCEA(1), RT_MANIFEST);
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
    // Every template value was filled in.
    EXPECT_EQ(manifest.find('@'), std::string::npos) << manifest;
}

TEST_F(ProgramResources, TheVersionInformationNamesTheProgramAndItsVersion)
{
    const std::vector<BYTE> block = Resource(MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const auto text = [&](const char* name) {
        char* value = nullptr;
        UINT size = 0;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &size) && value
                   ? std::string(value)
                   : std::string("<missing>");
    };
    EXPECT_EQ(text("ProductName"), "Korvane");
    EXPECT_EQ(text("OriginalFilename"), "korvane.exe");
    const std::string version = text("FileVersion");
    EXPECT_EQ(version, text("ProductVersion"));
    // The numeric version and the text say the same.
    const std::string numeric = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, numeric);
}

} // namespace
