// Item images: row sizes, the index cache, the alpha masks in every row
// order, scaling, icons, and an image combo box that uses them.

#include "gadget_test_support.h"

#include "gadget/gadget_images.h"
#include "gadget/gadget_kinds.h"

#include "window/alpha_images.h"

#include <vector>

namespace {

struct RowCase {
    std::int32_t width;
    std::int32_t bitsPerPixel;
    std::int32_t bytes;
};

TEST(DibRowBytes, RowsArePaddedToFourBytes)
{
    const RowCase cases[] = {
        {5, 1, 4},   {32, 1, 4},  {33, 1, 8},  {5, 4, 4},   {9, 4, 8},    {5, 8, 8},  {4, 8, 4},
        {5, 15, 12}, {5, 16, 12}, {2, 16, 4},  {5, 24, 16}, {1, 24, 4},   {4, 24, 12}, {5, 32, 20},
        {16, 32, 64}, {0, 24, 0}, {7, 2, 28},
    };
    for (const RowCase& c : cases)
        EXPECT_EQ(DibRowBytes(c.width, c.bitsPerPixel), c.bytes) << c.width << " pixels at " << c.bitsPerPixel;
}

// A 32-bit image of width x height whose alpha is non-zero exactly where
// shape says so; pixels are given top row first.
using Shape = bool (*)(int x, int y);

bool NoAlpha(int, int) { return false; }
// Asymmetric both ways, so a flipped or mirrored mask cannot pass.
bool TopLeftCorner(int x, int y) { return x < 5 && y < 3; }

std::vector<std::uint32_t> TopDownPixels(int width, int height, Shape shape)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y) * width + x] = shape(x, y) ? 0xFF2040C0u : 0x00203040u;
    return pixels;
}

enum class Kind { TopDownSection, BottomUpSection, DeviceDependent };

HBITMAP MakeBitmap(Kind kind, int width, int height, Shape shape)
{
    const std::vector<std::uint32_t> pixels = TopDownPixels(width, height, shape);
    if (kind == Kind::DeviceDependent)
        return CreateBitmap(width, height, 1, 32, pixels.data());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = kind == Kind::TopDownSection ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* rows = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        const int row = kind == Kind::TopDownSection ? y : height - 1 - y;
        for (int x = 0; x < width; ++x)
            rows[static_cast<std::size_t>(row) * width + x] = pixels[static_cast<std::size_t>(y) * width + x];
    }
    return bitmap;
}

// Which mask pixels are opaque (black), top row first.
std::vector<bool> OpaquePixels(HBITMAP mask, int width, int height)
{
    std::vector<bool> opaque;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, mask);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            opaque.push_back(GetPixel(dc, x, y) == 0);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return opaque;
}

std::vector<bool> Expected(int width, int height, Shape shape)
{
    std::vector<bool> opaque;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            opaque.push_back(shape(x, y));
    return opaque;
}

struct MaskCase {
    const char* name;
    Kind kind;
    Shape shape;
    bool alphaSupported;
    bool shaped; // the mask follows the shape; else all opaque
};

class AlphaMask : public ::testing::TestWithParam<MaskCase> {
protected:
    void SetUp() override
    {
        StartGadgetRuntime();
        saved = AlphaImagesSupported;
    }
    void TearDown() override { AlphaImagesSupported = saved; }
    bool saved = false;
};

TEST_P(AlphaMask, MaskFollowsTheAlphaChannel)
{
    const MaskCase& c = GetParam();
    constexpr int Width = 16;
    constexpr int Height = 12;
    AlphaImagesSupported = c.alphaSupported;
    HBITMAP bitmap = MakeBitmap(c.kind, Width, Height, c.shape);
    ASSERT_NE(bitmap, nullptr);
    HBITMAP mask = BitmapMaskFromAlpha(bitmap);
    ASSERT_NE(mask, nullptr);
    BITMAP info{};
    GetObjectA(mask, sizeof(info), &info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    const std::vector<bool> expected =
        c.shaped ? Expected(Width, Height, c.shape) : std::vector<bool>(Width * Height, true);
    EXPECT_EQ(OpaquePixels(mask, Width, Height), expected);
    DeleteObject(mask);
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AlphaMask,
    ::testing::Values(MaskCase{"TopDownSection", Kind::TopDownSection, TopLeftCorner, false, true},
                      MaskCase{"BottomUpSection", Kind::BottomUpSection, TopLeftCorner, false, true},
                      MaskCase{"DeviceDependent", Kind::DeviceDependent, TopLeftCorner, false, true},
                      MaskCase{"NoAlphaIsOpaque", Kind::BottomUpSection, NoAlpha, false, false},
                      MaskCase{"NoAlphaDeviceDependent", Kind::DeviceDependent, NoAlpha, false, false},
                      MaskCase{"SystemDrawsAlphaItself", Kind::TopDownSection, TopLeftCorner, true, false},
                      MaskCase{"SystemDrawsAlphaBottomUp", Kind::BottomUpSection, TopLeftCorner, true, false}),
    [](const ::testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

TEST(AlphaMaskOf, BitmapWithoutAlphaBitsIsOpaque)
{
    StartGadgetRuntime();
    const bool saved = AlphaImagesSupported;
    AlphaImagesSupported = false;
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
    HBITMAP mask = BitmapMaskFromAlpha(bitmap);
    EXPECT_EQ(OpaquePixels(mask, 8, 8), std::vector<bool>(64, true));
    DeleteObject(mask);
    DeleteObject(bitmap);
    EXPECT_EQ(BitmapMaskFromAlpha(nullptr), nullptr);
    AlphaImagesSupported = saved;
}

TEST(BitmapScale, StretchesToTheAskedSizeOrKeepsTheBitmap)
{
    StartGadgetRuntime();
    HBITMAP source = MakeBitmap(Kind::DeviceDependent, 32, 32, TopLeftCorner);
    EXPECT_EQ(BitmapScale(source, 32, 32), source);
    HBITMAP scaled = BitmapScale(source, 16, 16);
    ASSERT_NE(scaled, nullptr);
    ASSERT_NE(scaled, source);
    BITMAP info{};
    GetObjectA(scaled, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    DeleteObject(scaled);
    DeleteObject(source);
    EXPECT_EQ(BitmapScale(nullptr, 16, 16), nullptr);
}

class ImageLists : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartGadgetRuntime();
        lists = ImageListsCreate(true);
        ASSERT_NE(lists, nullptr);
    }
    void TearDown() override { ImageListsFree(lists); }

    int SmallCount() { return ImageList_GetImageCount(lists->smallList); }
    int LargeCount() { return ImageList_GetImageCount(lists->largeList); }

    GadgetImageList* lists = nullptr;
};

TEST_F(ImageLists, StartWithTheBlankAtIndexZero)
{
    EXPECT_EQ(SmallCount(), 1);
    EXPECT_EQ(LargeCount(), 1);
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(lists->smallList, &width, &height);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYSMICON));
    ImageList_GetIconSize(lists->largeList, &width, &height);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(lists->count, 0);
    EXPECT_EQ(lists->capacity, 25);

    GadgetImageList* smallOnly = ImageListsCreate(false);
    EXPECT_EQ(smallOnly->largeList, nullptr);
    ImageListsFree(smallOnly);
    ImageListsFree(nullptr);
}

TEST_F(ImageLists, SameImageIsAddedOnce)
{
    HBITMAP first = MakeBitmap(Kind::TopDownSection, 16, 16, TopLeftCorner);
    HBITMAP second = MakeBitmap(Kind::DeviceDependent, 32, 32, TopLeftCorner);
    EXPECT_EQ(ImageListsAdd(first, lists), 1);
    EXPECT_EQ(ImageListsAdd(second, lists), 2);
    EXPECT_EQ(ImageListsAdd(first, lists), 1);
    EXPECT_EQ(SmallCount(), 3);
    EXPECT_EQ(LargeCount(), 3);
    EXPECT_EQ(lists->count, 2);
    // The caller's bitmaps stay theirs, scaled or not.
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));

    ImageListsReset(lists);
    EXPECT_EQ(SmallCount(), 1);
    EXPECT_EQ(LargeCount(), 1);
    EXPECT_EQ(ImageListsAdd(second, lists), 1);
    DeleteObject(first);
    DeleteObject(second);
}

TEST_F(ImageLists, CacheGrowsPastItsFirstCapacity)
{
    std::vector<HBITMAP> bitmaps;
    for (int i = 0; i < 60; ++i) {
        bitmaps.push_back(MakeBitmap(Kind::TopDownSection, 16, 16, NoAlpha));
        EXPECT_EQ(ImageListsAdd(bitmaps.back(), lists), i + 1);
    }
    EXPECT_EQ(lists->count, 60);
    EXPECT_EQ(lists->capacity, 75);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(ImageListsAdd(bitmaps[i], lists), i + 1);
    EXPECT_EQ(SmallCount(), 61);
    for (HBITMAP bitmap : bitmaps)
        DeleteObject(bitmap);
}

TEST_F(ImageLists, IconsTakeTheIconPath)
{
    HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(ImageListsAdd(icon, lists), 1);
    EXPECT_EQ(ImageListsAdd(icon, lists), 1);
    EXPECT_EQ(SmallCount(), 2);
    EXPECT_EQ(LargeCount(), 2);
}

TEST_F(ImageLists, RefusedImageIsCachedOnceAsMinusOne)
{
    auto* bogus = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(0x7FFF1234));
    EXPECT_EQ(ImageListsAdd(bogus, lists), -1);
    EXPECT_EQ(lists->count, 1);
    EXPECT_EQ(lists->cache[0].index, -1);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(ImageListsAdd(bogus, lists), -1);
    EXPECT_EQ(lists->count, 1);
    EXPECT_EQ(SmallCount(), 1);
}

using ImageComboBox = GadgetWindowTest;

int ItemImage(HWND combo, int item)
{
    COMBOBOXEXITEMA entry{};
    entry.mask = CBEIF_IMAGE;
    entry.iItem = item;
    SendMessageA(combo, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    return entry.iImage;
}

TEST_F(ImageComboBox, ItemsShowTheirImages)
{
    GadgetCreateComboBox(8, 10, 10, 150, 20, ComboImages);
    GadgetRecord* record = GadgetLookup(8);
    HBITMAP port = MakeBitmap(Kind::TopDownSection, 16, 16, TopLeftCorner);
    HBITMAP usb = MakeBitmap(Kind::BottomUpSection, 16, 16, TopLeftCorner);

    GadgetInsertItem(8, -1, "plain");
    EXPECT_EQ(record->kindWordB, 0) << "no lists before the first image";
    record->ops->addItem(record, -1, "COM1", port);
    record->ops->addItem(record, -1, "USB1", usb);
    record->ops->addItem(record, -1, "COM2", port);
    auto* lists = reinterpret_cast<GadgetImageList*>(GadgetLookup(8)->kindWordB);
    ASSERT_NE(lists, nullptr);
    EXPECT_EQ(lists->largeList, nullptr);
    EXPECT_EQ(SendMessageA(record->hwnd, CBEM_GETIMAGELIST, 0, 0), reinterpret_cast<LRESULT>(lists->smallList));
    EXPECT_EQ(ItemImage(record->hwnd, 1), 1);
    EXPECT_EQ(ItemImage(record->hwnd, 2), 2);
    EXPECT_EQ(ItemImage(record->hwnd, 3), 1);
    EXPECT_EQ(ImageList_GetImageCount(lists->smallList), 3);

    GadgetClearItems(8);
    EXPECT_EQ(ImageList_GetImageCount(lists->smallList), 1);
    record->ops->addItem(record, -1, "USB1", usb);
    EXPECT_EQ(ItemImage(record->hwnd, 0), 1);
    DeleteObject(port);
    DeleteObject(usb);
}

TEST_F(ImageComboBox, RefusedImageLeavesTheItemWithoutOne)
{
    GadgetCreateComboBox(8, 10, 10, 150, 20, ComboImages);
    GadgetRecord* record = GadgetLookup(8);
    HBITMAP port = MakeBitmap(Kind::TopDownSection, 16, 16, TopLeftCorner);
    record->ops->addItem(record, -1, "COM1", port);
    auto* bogus = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(0x7FFF1234));
    record->ops->addItem(record, -1, "COM2", bogus);
    const std::int32_t start = TempLength;
    record->ops->getItemText(record, 1, 0, start);
    EXPECT_EQ(TempText(start), "COM2");
    TempSetLength(start);
    EXPECT_EQ(ItemImage(record->hwnd, 0), 1);
    EXPECT_NE(ItemImage(record->hwnd, 1), 1);
    DeleteObject(port);
}

TEST_F(ImageComboBox, DestroyingTheGadgetFreesItsImageLists)
{
    HBITMAP port = MakeBitmap(Kind::TopDownSection, 16, 16, TopLeftCorner);
    GadgetCreateComboBox(8, 10, 10, 150, 20, ComboImages);
    GadgetRecord* record = GadgetLookup(8);
    record->ops->addItem(record, -1, "COM1", port);
    const auto* lists = reinterpret_cast<const GadgetImageList*>(record->kindWordB);
    ASSERT_NE(lists, nullptr);
    IMAGEINFO info{};
    ASSERT_TRUE(ImageList_GetImageInfo(lists->smallList, 1, &info));
    ASSERT_EQ(GetObjectType(info.hbmImage), static_cast<DWORD>(OBJ_BITMAP));

    GadgetDestroy(8);
    // The list's own bitmaps go with it; the caller's bitmap stays.
    EXPECT_EQ(GetObjectType(info.hbmImage), 0u);
    EXPECT_EQ(GetObjectType(port), static_cast<DWORD>(OBJ_BITMAP));
    DeleteObject(port);
}

TEST_F(ImageComboBox, DestroyingTheGadgetLeavesNoGdiObjectBehind)
{
    HBITMAP port = MakeBitmap(Kind::TopDownSection, 16, 16, TopLeftCorner);
    HBITMAP large = MakeBitmap(Kind::DeviceDependent, 32, 32, TopLeftCorner);
    // Warm up: the shared blanks are made once and kept.
    GadgetCreateComboBox(8, 10, 10, 150, 20, ComboImages);
    GadgetRecord* record = GadgetLookup(8);
    record->ops->addItem(record, -1, "COM1", port);
    GadgetDestroy(8);

    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    GadgetCreateComboBox(8, 10, 10, 150, 20, ComboImages);
    record = GadgetLookup(8);
    record->ops->addItem(record, -1, "COM1", port);
    record->ops->addItem(record, -1, "COM2", large); // scaled: the copy must go too
    GadgetDestroy(8);
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DeleteObject(port);
    DeleteObject(large);
    if (before == 0)
        GTEST_SKIP() << "the platform does not count the process's GDI objects (Wine answers 0)";
    EXPECT_EQ(after, before);
}

} // namespace
