#pragma once
// Item images of image combo boxes: a small-icon image list per gadget (and
// optionally a large-icon one) whose index 0 is a transparent blank, fed with
// bitmaps and icons. Each source handle is added once; a cache remembers its
// index.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

struct ImageCachePair {
    HANDLE image; // the caller's handle; the cache does not own it
    std::int32_t index;
};

struct GadgetImageList {
    HIMAGELIST smallList; // SM_CXSMICON x SM_CYSMICON
    HIMAGELIST largeList; // SM_CXICON x SM_CYICON, or null
    ImageCachePair* cache;
    std::int32_t count;
    std::int32_t capacity;
};

// A new record with its lists, each holding only the blank; null when the
// record or the small list cannot be made.
GadgetImageList* ImageListsCreate(bool withLarge);
// The image's index in the small list (1 and up), or -1 when the list
// refused it; a refusal is remembered like an index. A bitmap is scaled to the list's size and masked by its alpha;
// anything else is taken as an icon.
std::int32_t ImageListsAdd(HANDLE image, GadgetImageList* lists);
// Back to the blank only; the next image gets index 1 again.
void ImageListsReset(GadgetImageList* lists);
// Destroys the lists and frees the record; null is ignored.
void ImageListsFree(GadgetImageList* lists);

// The bitmap itself when it already has that size, else a new stretched
// copy (null when no device context could be made).
HBITMAP BitmapScale(HBITMAP bitmap, int width, int height);

// A monochrome mask, black where opaque and white where transparent: taken
// from the alpha channel of a 32-bit bitmap when the system does not draw
// alpha images itself, else (or when no pixel has alpha) all opaque. Null
// when the bitmap cannot be read or no mask can be made.
HBITMAP BitmapMaskFromAlpha(HBITMAP bitmap);

// A bitmap's pixels as a top-down 32-bit copy from the MainHeap. Always a
// copy, also of a DIB section: the platform does not reliably say whether a
// DIB section's own memory is top-down, and the mask must be the right way up.
struct BitmapPixels {
    unsigned char* memory; // null: the bitmap could not be read
    int width;
    int height;
    std::int32_t rowBytes;
};
BitmapPixels BitmapReadPixels(HBITMAP bitmap);
void BitmapPixelsFree(BitmapPixels& pixels);

// Bytes in one row of a device-independent bitmap, padded to 4 bytes.
std::int32_t DibRowBytes(std::int32_t width, std::int32_t bitsPerPixel);
