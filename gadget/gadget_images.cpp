#include "gadget/gadget_images.h"

#include "base/heap.h"
#include "window/alpha_images.h"

namespace {

constexpr std::int32_t CacheStep = 25;
constexpr UINT ListFlags = ILC_MASK | ILC_COLOR32;
constexpr COLORREF Opaque = 0x000000;
constexpr COLORREF Transparent = 0xFFFFFF;

// Black bitmaps of small-icon and large-icon size, made once for the process:
// added with black as the mask colour they become fully transparent.
HBITMAP SmallBlank = nullptr;
HBITMAP LargeBlank = nullptr;

SIZE SmallIconSize() { return SIZE{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}; }
SIZE LargeIconSize() { return SIZE{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}; }

// A device-compatible bitmap of that size, filled black, made in memoryDc.
HBITMAP BlackBitmap(HDC displayDc, HDC memoryDc, int width, int height)
{
    HBITMAP bitmap = CreateCompatibleBitmap(displayDc, width, height);
    if (!bitmap)
        return nullptr;
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    const RECT area{0, 0, width, height};
    FillRect(memoryDc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(memoryDc, previous);
    return bitmap;
}

void MakeBlanks()
{
    if (SmallBlank)
        return;
    HDC displayDc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!displayDc)
        return;
    HDC memoryDc = CreateCompatibleDC(displayDc);
    if (memoryDc) {
        const SIZE smallSize = SmallIconSize();
        const SIZE largeSize = LargeIconSize();
        SmallBlank = BlackBitmap(displayDc, memoryDc, smallSize.cx, smallSize.cy);
        LargeBlank = BlackBitmap(displayDc, memoryDc, largeSize.cx, largeSize.cy);
        DeleteDC(memoryDc);
    }
    DeleteDC(displayDc);
}

HIMAGELIST CreateList(SIZE size, HBITMAP blank)
{
    HIMAGELIST list = ImageList_Create(size.cx, size.cy, ListFlags, 1, 1);
    if (list)
        ImageList_AddMasked(list, blank, Opaque);
    return list;
}

bool GrowCache(GadgetImageList* lists)
{
    const std::int32_t capacity = lists->capacity + CacheStep;
    void* cache = HeapBlockResize(MainHeap, lists->cache, static_cast<std::size_t>(capacity) * sizeof(ImageCachePair));
    if (!cache)
        return false;
    lists->cache = static_cast<ImageCachePair*>(cache);
    lists->capacity = capacity;
    return true;
}

// The image's pair in the cache; null when it was never added.
const ImageCachePair* CachedPair(const GadgetImageList* lists, HANDLE image)
{
    for (std::int32_t i = 0; i < lists->count; ++i) {
        if (lists->cache[i].image == image)
            return &lists->cache[i];
    }
    return nullptr;
}

std::int32_t AddBitmap(HIMAGELIST list, HBITMAP source, SIZE size)
{
    HBITMAP scaled = BitmapScale(source, size.cx, size.cy);
    HBITMAP mask = scaled ? BitmapMaskFromAlpha(scaled) : nullptr;
    const std::int32_t index = scaled ? ImageList_Add(list, scaled, mask) : -1;
    if (mask)
        DeleteObject(mask);
    if (scaled && scaled != source)
        DeleteObject(scaled);
    return index;
}

unsigned char AlphaAt(const BitmapPixels& pixels, int x, int y)
{
    // Blue, green, red, alpha: alpha is the top byte of the pixel.
    return pixels.memory[static_cast<std::size_t>(y) * pixels.rowBytes + 4 * static_cast<std::size_t>(x) + 3];
}

// Draws the alpha shape into the mask selected into dc; false when no pixel
// has any alpha (the image carries none).
bool DrawAlphaShape(HDC dc, HBITMAP bitmap)
{
    BitmapPixels pixels = BitmapReadPixels(bitmap);
    if (!pixels.memory)
        return false;
    bool anyAlpha = false;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const bool opaque = AlphaAt(pixels, x, y) != 0;
            anyAlpha = anyAlpha || opaque;
            SetPixel(dc, x, y, opaque ? Opaque : Transparent);
        }
    }
    BitmapPixelsFree(pixels);
    return anyAlpha;
}

} // namespace

std::int32_t DibRowBytes(std::int32_t width, std::int32_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return (width + 31) / 32 * 4;
    case 4:
        return (width + 7) / 8 * 4;
    case 8:
        return (width + 3) / 4 * 4;
    case 15:
    case 16:
        return (width + 1) / 2 * 4;
    case 24:
        return (3 * width + 3) / 4 * 4;
    default:
        return 4 * width;
    }
}

BitmapPixels BitmapReadPixels(HBITMAP bitmap)
{
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return BitmapPixels{};
    BitmapPixels pixels{nullptr, info.bmWidth, info.bmHeight, DibRowBytes(info.bmWidth, 32)};
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return BitmapPixels{};
    auto* copy = static_cast<unsigned char*>(
        HeapBlockAlloc(MainHeap, static_cast<std::size_t>(pixels.rowBytes) * info.bmHeight, false));
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight; // top-down rows
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    if (copy && GetDIBits(dc, bitmap, 0, info.bmHeight, copy, &header, DIB_RGB_COLORS) != 0)
        pixels.memory = copy;
    else
        HeapBlockFree(MainHeap, copy);
    DeleteDC(dc);
    return pixels.memory ? pixels : BitmapPixels{};
}

void BitmapPixelsFree(BitmapPixels& pixels)
{
    HeapBlockFree(MainHeap, pixels.memory);
    pixels = BitmapPixels{};
}

HBITMAP BitmapScale(HBITMAP bitmap, int width, int height)
{
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof(info), &info))
        return nullptr;
    if (info.bmWidth == width && info.bmHeight == height)
        return bitmap;
    HDC displayDc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!displayDc)
        return nullptr;
    HDC sourceDc = CreateCompatibleDC(displayDc);
    HDC targetDc = CreateCompatibleDC(displayDc);
    HBITMAP scaled = nullptr;
    if (sourceDc && targetDc) {
        scaled = BlackBitmap(displayDc, targetDc, width, height);
        if (scaled) {
            HGDIOBJ previousSource = SelectObject(sourceDc, bitmap);
            HGDIOBJ previousTarget = SelectObject(targetDc, scaled);
            StretchBlt(targetDc, 0, 0, width, height, sourceDc, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            SelectObject(targetDc, previousTarget);
            SelectObject(sourceDc, previousSource);
        }
    }
    if (targetDc)
        DeleteDC(targetDc);
    if (sourceDc)
        DeleteDC(sourceDc);
    DeleteDC(displayDc);
    return scaled;
}

HBITMAP BitmapMaskFromAlpha(HBITMAP bitmap)
{
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof(info), &info))
        return nullptr;
    HBITMAP mask = CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr);
    if (!mask)
        return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return mask;
    HGDIOBJ previous = SelectObject(dc, mask);
    const bool shaped = !AlphaImagesSupported && info.bmBitsPixel == 32 && DrawAlphaShape(dc, bitmap);
    if (!shaped) {
        const RECT area{0, 0, info.bmWidth, info.bmHeight};
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return mask;
}

GadgetImageList* ImageListsCreate(bool withLarge)
{
    auto* lists = static_cast<GadgetImageList*>(HeapBlockAlloc(MainHeap, sizeof(GadgetImageList), true));
    if (!lists)
        return nullptr;
    lists->cache = static_cast<ImageCachePair*>(HeapBlockAlloc(MainHeap, CacheStep * sizeof(ImageCachePair), true));
    lists->capacity = lists->cache ? CacheStep : 0;
    MakeBlanks();
    lists->smallList = CreateList(SmallIconSize(), SmallBlank);
    if (!lists->smallList) {
        ImageListsFree(lists);
        return nullptr;
    }
    if (withLarge)
        lists->largeList = CreateList(LargeIconSize(), LargeBlank);
    return lists;
}

std::int32_t ImageListsAdd(HANDLE image, GadgetImageList* lists)
{
    // A refused image keeps its -1: trying it again would cache another pair
    // for it at every add.
    if (const ImageCachePair* cached = CachedPair(lists, image))
        return cached->index;
    // Without room to remember the image it is not added at all: adding it
    // unremembered would add it again on every call.
    if (lists->count == lists->capacity && !GrowCache(lists))
        return -1;
    std::int32_t index = -1;
    if (GetObjectType(image) == OBJ_BITMAP) {
        auto* bitmap = static_cast<HBITMAP>(image);
        index = AddBitmap(lists->smallList, bitmap, SmallIconSize());
        if (lists->largeList)
            AddBitmap(lists->largeList, bitmap, LargeIconSize());
    } else {
        auto* icon = static_cast<HICON>(image);
        if (lists->largeList)
            ImageList_ReplaceIcon(lists->largeList, -1, icon);
        index = ImageList_ReplaceIcon(lists->smallList, -1, icon);
    }
    lists->cache[lists->count++] = ImageCachePair{image, index};
    return index;
}

void ImageListsReset(GadgetImageList* lists)
{
    ImageList_Remove(lists->smallList, -1);
    ImageList_AddMasked(lists->smallList, SmallBlank, Opaque);
    if (lists->largeList) {
        ImageList_Remove(lists->largeList, -1);
        ImageList_AddMasked(lists->largeList, LargeBlank, Opaque);
    }
    lists->count = 0;
}

void ImageListsFree(GadgetImageList* lists)
{
    if (!lists)
        return;
    if (lists->smallList)
        ImageList_Destroy(lists->smallList);
    if (lists->largeList)
        ImageList_Destroy(lists->largeList);
    HeapBlockFree(MainHeap, lists->cache);
    HeapBlockFree(MainHeap, lists);
}
