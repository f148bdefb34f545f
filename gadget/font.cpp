#include "gadget/font.h"

#include "window/dpi.h"

#include "base/registry.h"

#include <windows.h>

namespace {

// The record is one word: the font handle, zero while the number is free.
struct FontRecord {
    HFONT handle;
};

ObjectRegistry* FontRegistry = nullptr;

struct FontStyle {
    int weight;
    DWORD italic;
    DWORD underline;
    DWORD strikeOut;
    DWORD quality;
};

FontStyle FontStyleFromFlags(std::int32_t flags)
{
    return FontStyle{
        (flags & FontBold) ? FW_BOLD : FW_NORMAL,
        (flags & FontItalic) ? 1u : 0u,
        (flags & FontUnderline) ? 1u : 0u,
        (flags & FontStrikeOut) ? 1u : 0u,
        static_cast<DWORD>((flags & FontHighQuality) ? PROOF_QUALITY : DEFAULT_QUALITY),
    };
}

HFONT CreateFontForDpi(const char* face, std::int32_t size, std::int32_t flags, std::int32_t dpi)
{
    // A negative height asks for the character height, not the cell height.
    const int height = -MulDiv(size, dpi, 72);
    const FontStyle style = FontStyleFromFlags(flags);
    return CreateFontA(height, 0, 0, 0, style.weight, style.italic, style.underline, style.strikeOut,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, style.quality,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

HFONT CreateDisplayFont(const char* face, std::int32_t size, std::int32_t flags)
{
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!dc)
        return nullptr;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    DeleteDC(dc);
    return CreateFontForDpi(face, size, flags, dpi);
}

HFONT CreateGuiFontForDpi(std::int32_t dpi)
{
    LOGFONTA described{};
    if (!GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof described, &described))
        return nullptr;
    const std::int32_t madeFor = SystemDpi();
    described.lfHeight = MulDiv(described.lfHeight, dpi, madeFor);
    described.lfWidth = MulDiv(described.lfWidth, dpi, madeFor);
    return CreateFontIndirectA(&described);
}

// The font made for number's record, which is allocated first so that a
// font already under number is released before the new one exists.
template <typename MakeFont>
std::intptr_t OpenRegistered(ObjectNumber number, MakeFont makeFont)
{
    if (!FontRegistry)
        return 0;
    auto* record = static_cast<FontRecord*>(RegistryAllocate(FontRegistry, number));
    if (!record)
        return 0;
    HFONT font = makeFont();
    if (!font) {
        // An empty any-number record would otherwise stay on the registry's
        // list until shutdown; a numbered slot is already free.
        if (number == AnyNumber)
            RegistryRelease(FontRegistry, reinterpret_cast<ObjectNumber>(record));
        return 0;
    }
    record->handle = font;
    if (number == AnyNumber)
        return reinterpret_cast<std::intptr_t>(record);
    return reinterpret_cast<std::intptr_t>(font);
}

} // namespace

void FontLibraryStart()
{
    FontRegistry = RegistryCreate(sizeof(FontRecord), 16, FontRelease);
}

std::intptr_t FontOpen(ObjectNumber number, const char* face, std::int32_t size, std::int32_t flags)
{
    return OpenRegistered(number, [&] { return CreateDisplayFont(face, size, flags); });
}

std::intptr_t FontOpen(ObjectNumber number, const char* face, std::int32_t size)
{
    return FontOpen(number, face, size, 0);
}

std::intptr_t FontOpenForDpi(ObjectNumber number, const char* face, std::int32_t size, std::int32_t flags,
                             std::int32_t dpi)
{
    return OpenRegistered(number, [&] { return CreateFontForDpi(face, size, flags, dpi); });
}

std::intptr_t FontOpenGuiForDpi(ObjectNumber number, std::int32_t dpi)
{
    return OpenRegistered(number, [&] { return CreateGuiFontForDpi(dpi); });
}

void FontRelease(ObjectNumber number)
{
    if (!FontRegistry)
        return;
    auto* record = static_cast<FontRecord*>(RegistryLookup(FontRegistry, number));
    if (!record)
        return;
    DeleteObject(record->handle);
    RegistryRelease(FontRegistry, number);
}

void FontLibraryStop()
{
    if (!FontRegistry)
        return;
    RegistryBeginEnumeration(FontRegistry);
    ObjectNumber number = 0;
    while (RegistryNext(FontRegistry, &number))
        FontRelease(number);
}
