#include "gadget/gadget_create.h"
#include "gadget/gadget_images.h"
#include "gadget/gadget_kinds.h"

#include "base/strings.h"
#include "window/dpi.h"
#include "window/wide_text.h"

#include <commctrl.h>

#include <cstring>

// Record words: kindWordA 1 for "ComboBoxEx32", 0 for "ComboBox";
// kindWordB the item image lists, 0 while the gadget has none; kindWordC the
// ComboOpening function, 0 for none.

std::int32_t comboHeightDelta = -1;

namespace {

// Room below the closed combo box for its dropped-down list.
constexpr int ComboWindowHeight = 350;
// The item height at which the closed height is measured.
constexpr int MeasureItemHeight = 15;

bool IsExtended(const GadgetRecord* record) { return record->kindWordA == 1; }

bool IsDropDownList(const GadgetRecord* record)
{
    return (GetWindowLongPtrA(record->hwnd, GWL_STYLE) & 1) != 0;
}

// The closed height beyond the selection field's item height, as the
// control's font and the window's DPI make it: measured at an item height
// of 15, at creation and again at every resize, since a new DPI brings new
// fonts and frames.
void MeasureHeightDelta(HWND hwnd)
{
    comboHeightDelta = -1;
    Send(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), MeasureItemHeight);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    comboHeightDelta = (rect.bottom - rect.top) - MeasureItemHeight;
}

void SetClosedHeight(const GadgetRecord* record, std::int32_t height)
{
    Send(record->hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - comboHeightDelta);
}

GadgetImageList* ItemImages(const GadgetRecord* record)
{
    return reinterpret_cast<GadgetImageList*>(record->kindWordB);
}

// The index of an item's image in the gadget's image lists, which the first
// image creates and attaches; -1 when the image cannot be shown.
int ItemImageIndex(GadgetRecord* record, HANDLE image)
{
    GadgetImageList* lists = ItemImages(record);
    if (!lists) {
        lists = ImageListsCreate(false);
        if (!lists)
            return -1;
        record->kindWordB = reinterpret_cast<std::intptr_t>(lists);
        Send(record->hwnd, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(lists->smallList));
    }
    return ImageListsAdd(image, lists);
}

std::int32_t ComboGetState(GadgetRecord* record) { return static_cast<std::int32_t>(Send(record->hwnd, CB_GETCURSEL)); }

std::intptr_t ComboSetState(GadgetRecord* record, std::int32_t index)
{
    return Send(record->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index));
}

std::int32_t ComboCountItems(GadgetRecord* record) { return static_cast<std::int32_t>(Send(record->hwnd, CB_GETCOUNT)); }

// The image combo box knows no item's length: CB_GETLBTEXTLEN reaches its
// owner-drawn inner list, which answers with the size of its item data. So
// the text is read into a buffer that grows until the text leaves room to
// spare; only then was nothing cut off. A text cut off may also lack its
// terminator, so it is measured within the buffer only.
char* ReadExtendedItem(GadgetRecord* record, std::int32_t item, std::int32_t resultPosition)
{
    constexpr std::int32_t FirstCapacity = 64;
    constexpr std::int32_t LargestCapacity = INT32_MAX / 2;
    for (std::int32_t capacity = FirstCapacity; capacity <= LargestCapacity; capacity *= 2) {
        char* buffer = TempReserve(capacity, resultPosition);
        if (!buffer)
            break;
        buffer[0] = '\0';
        COMBOBOXEXITEMA entry{};
        entry.mask = CBEIF_TEXT;
        entry.iItem = item;
        entry.pszText = buffer;
        entry.cchTextMax = capacity;
        Send(record->hwnd, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
        const auto length = static_cast<std::int32_t>(strnlen(buffer, static_cast<std::size_t>(capacity)));
        if (length < capacity - 1) {
            TempShrink(capacity - length);
            return buffer;
        }
    }
    return GadgetEmptyText(resultPosition);
}

char* ComboGetItemText(GadgetRecord* record, std::int32_t item, std::int32_t, std::int32_t resultPosition)
{
    // An item outside the list has no text; some lists answer such an item
    // with a made-up length.
    if (item < 0 || item >= ComboCountItems(record))
        return GadgetEmptyText(resultPosition);
    if (IsExtended(record))
        return ReadExtendedItem(record, item, resultPosition);
    // Read as its characters, so that a 1251 text comes back as it went in.
    const LRESULT length = SendMessageW(record->hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
    if (length < 0)
        return GadgetEmptyText(resultPosition);
    ProcessHeapBlock wide((static_cast<std::size_t>(length) + 1) * sizeof(wchar_t));
    if (!wide.As<wchar_t>())
        return GadgetEmptyText(resultPosition);
    wide.As<wchar_t>()[0] = L'\0';
    const LRESULT read = SendMessageW(record->hwnd, CB_GETLBTEXT, static_cast<WPARAM>(item),
                                      reinterpret_cast<LPARAM>(wide.As<wchar_t>()));
    return GadgetTextFromWide(wide.As<wchar_t>(), read > 0 ? static_cast<int>(read) : 0, resultPosition);
}

char* ComboGetText(GadgetRecord* record, std::int32_t resultPosition)
{
    if (IsExtended(record) && IsDropDownList(record)) {
        const std::int32_t index = ComboGetState(record);
        if (index < 0)
            return GadgetEmptyText(resultPosition);
        return ComboGetItemText(record, index, 0, resultPosition);
    }
    return GadgetReadWindowText(record->hwnd, resultPosition);
}

std::intptr_t ComboSetText(GadgetRecord* record, const char* text)
{
    if (!IsDropDownList(record))
        return SetWindowTextA(record->hwnd, text);
    if (!text || !*text)
        return Send(record->hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1));
    const WideText wide(text);
    if (!wide.text())
        return -1;
    const LRESULT index =
        SendMessageW(record->hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.text()));
    if (index == CB_ERR)
        return -1;
    return Send(record->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index));
}

void InsertExtendedItem(GadgetRecord* record, std::int32_t position, const char* text, HANDLE image)
{
    COMBOBOXEXITEMA item{};
    item.mask = CBEIF_TEXT;
    item.iItem = position < 0 ? Send(record->hwnd, CB_GETCOUNT) : position;
    item.pszText = const_cast<char*>(text);
    if (image) {
        const int index = ItemImageIndex(record, image);
        if (index >= 0) {
            item.mask |= CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
            item.iImage = index;
            item.iSelectedImage = index;
        }
    }
    Send(record->hwnd, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// The item's 1251 text as its characters, whatever the system's code page;
// CB_ERR when no memory could be had for them.
LRESULT InsertPlainItem(HWND combo, std::int32_t position, const char* text)
{
    const WideText wide(text);
    if (!wide.text() && text && *text)
        return CB_ERR;
    return SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(position),
                        reinterpret_cast<LPARAM>(wide.text() ? wide.text() : L""));
}

std::intptr_t ComboAddItem(GadgetRecord* record, std::int32_t position, const char* text, HANDLE image)
{
    if (IsExtended(record))
        InsertExtendedItem(record, position, text, image);
    else if (position >= -1) // -1 appends; lower positions add nothing
        InsertPlainItem(record->hwnd, position, text);
    return 1;
}

std::intptr_t ComboRemoveItem(GadgetRecord* record, std::int32_t position)
{
    return Send(record->hwnd, CB_DELETESTRING, static_cast<WPARAM>(position));
}

std::intptr_t ComboClearItems(GadgetRecord* record)
{
    const LRESULT result = Send(record->hwnd, CB_RESETCONTENT);
    if (GadgetImageList* lists = ItemImages(record))
        ImageListsReset(lists);
    return result;
}

// A move can make the control measure its closed height anew from its font
// (the image combo box does under Wine), so a kept height is read before the
// move and applied again after it.
void ComboResize(GadgetRecord* record, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    if (height == KeepValue) {
        RECT rect{};
        GetWindowRect(record->hwnd, &rect);
        height = rect.bottom - rect.top;
    }
    GadgetMoveResize(record, x, y, width, KeepValue);
    MeasureHeightDelta(record->hwnd);
    SetClosedHeight(record, height);
}

std::intptr_t ComboSetItemText(GadgetRecord* record, std::int32_t item, const char* text, std::int32_t)
{
    if (!text)
        text = "";
    if (IsExtended(record)) {
        COMBOBOXEXITEMA entry{};
        entry.mask = CBEIF_TEXT;
        entry.iItem = item;
        entry.pszText = const_cast<char*>(text);
        return Send(record->hwnd, CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    }
    // The plain list cannot rename an item: replace it, keeping its data and
    // the selection on it.
    const LRESULT data = Send(record->hwnd, CB_GETITEMDATA, static_cast<WPARAM>(item));
    const bool selected = Send(record->hwnd, CB_GETCURSEL) == item;
    if (Send(record->hwnd, CB_DELETESTRING, static_cast<WPARAM>(item)) == CB_ERR)
        return -1;
    const LRESULT index = InsertPlainItem(record->hwnd, item, text);
    Send(record->hwnd, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    if (selected)
        Send(record->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index));
    return index;
}

std::intptr_t ComboSetItemData(GadgetRecord* record, std::int32_t item, std::int32_t value)
{
    return Send(record->hwnd, CB_SETITEMDATA, static_cast<WPARAM>(item), value);
}

std::int32_t ComboGetItemData(GadgetRecord* record, std::int32_t item)
{
    return static_cast<std::int32_t>(Send(record->hwnd, CB_GETITEMDATA, static_cast<WPARAM>(item)));
}

// Pixels the open list needs beside its widest text: its frame, the margins
// around each item's text, and a scroll bar, which a long list shows.
// At the window's DPI, which the list's font is made for.
int ListWidthBesideText(HWND hwnd)
{
    constexpr int ItemTextMargins = 6;
    return 2 * WindowSystemMetric(hwnd, SM_CXEDGE) + ItemTextMargins + WindowSystemMetric(hwnd, SM_CXVSCROLL);
}

int WidestItemWidth(GadgetRecord* record)
{
    HDC dc = GetDC(record->hwnd);
    if (!dc)
        return 0;
    const auto font = reinterpret_cast<HFONT>(Send(record->hwnd, WM_GETFONT));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    int widest = 0;
    const std::int32_t start = TempLength;
    for (std::int32_t item = 0, count = ComboCountItems(record); item < count; ++item) {
        const char* text = ComboGetItemText(record, item, 0, start);
        SIZE size{};
        if (GetTextExtentPoint32A(dc, text, TempLength - start, &size) && size.cx > widest)
            widest = size.cx;
    }
    TempSetLength(start);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(record->hwnd, dc);
    return widest + ListWidthBesideText(record->hwnd);
}

void ComboSetAttribute(GadgetRecord* record, std::int32_t attribute, std::intptr_t value)
{
    if (attribute == AttrListWidth) {
        const std::intptr_t width = value == ListWidthOfWidestItem ? WidestItemWidth(record) : value;
        Send(record->hwnd, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width > 0 ? width : 0));
    } else if (attribute == AttrOpening) {
        record->kindWordC = value;
    }
}

// The list sends its opening before it measures and shows itself: items
// changed here are drawn at once, in a list that fits them. The notification
// still reaches the application as an event.
LRESULT ComboHandleParentMessage(GadgetRecord* record, HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && HIWORD(wParam) == CBN_DROPDOWN && record->kindWordC)
        reinterpret_cast<ComboOpening>(record->kindWordC)();
    return DEFAULT_PROCESSING;
}

void ComboRelease(GadgetRecord* record)
{
    ImageListsFree(ItemImages(record));
    record->kindWordB = 0;
}

constexpr GadgetOps ComboBoxOps = {
    .kindId = GadgetKindComboBox,
    .tableSize = sizeof(GadgetOps),
    .handleParentMessage = ComboHandleParentMessage,
    .release = ComboRelease,
    .getState = ComboGetState,
    .setState = ComboSetState,
    .getText = ComboGetText,
    .setText = ComboSetText,
    .addItem = ComboAddItem,
    .removeItem = ComboRemoveItem,
    .clearItems = ComboClearItems,
    .resize = ComboResize,
    .countItems = ComboCountItems,
    .getItemText = ComboGetItemText,
    .setItemText = ComboSetItemText,
    .setAttribute = ComboSetAttribute,
    .setItemData = ComboSetItemData,
    .getItemData = ComboGetItemData,
};

HWND InnerEditField(HWND combo, bool extended)
{
    HWND child = GetWindow(combo, GW_CHILD);
    return extended && child ? GetWindow(child, GW_CHILD) : child;
}

} // namespace

std::intptr_t GadgetCreateComboBox(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                   std::int32_t height, std::uint32_t flags)
{
    const bool extended = (flags & ComboImages) != 0;
    const bool editable = (flags & ComboEditable) != 0;
    if (!editable)
        flags |= CBS_DROPDOWNLIST | WS_TABSTOP;
    const GadgetWindowPlan plan{
        0, extended ? WC_COMBOBOXEXW : L"ComboBox", nullptr, flags | WS_BORDER | WS_VSCROLL | WS_GROUP,
        x, y, width, ComboWindowHeight, -1,
    };
    HWND hwnd = nullptr;
    GadgetRecord* record = GadgetCreateWindow(number, plan, &hwnd);
    if (!record)
        return 0;
    if (editable) {
        // So that the tab key stops in the edit field.
        if (HWND edit = InnerEditField(hwnd, extended))
            SetWindowLongPtrA(edit, GWL_STYLE, GetWindowLongPtrA(edit, GWL_STYLE) | WS_TABSTOP);
    }
    record->kindWordA = extended ? 1 : 0;
    const std::intptr_t result = GadgetRegister(number, record, hwnd, &ComboBoxOps);

    MeasureHeightDelta(hwnd);
    SetClosedHeight(record, height);
    return result;
}
