#include "gadget/editor.h"
#include "gadget/editor_themes.h"
#include "gadget/gadget_create.h"

#include "base/heap.h"
#include "base/strings.h"
#include "base/system_dll.h"
#include "window/event.h"
#include "window/process_heap.h"
#include "window/wide_text.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

// Record words: kindWordA the empty-line state, kindWordB the back colour,
// kindWordC the front colour (both -1 for the system's).
//
// Empty-line state: 0 while the text is exactly what the control holds; 1
// when an empty line was appended to an empty control, which cannot show it;
// 2 once the next append has written that line out as a line break.

namespace {

constexpr DWORD EditorStyle = WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                              ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN;
constexpr std::int32_t NoEmptyLine = 0;
constexpr std::int32_t EmptyLinePending = 1;
constexpr std::int32_t EmptyLineWritten = 2;
// The largest text the rich edit control takes; EM_LIMITTEXT with -1 would
// refuse every typed character on some systems.
constexpr LPARAM UnlimitedText = 0x7FFFFFFF;
// EM_GETLINE reads the buffer size from the buffer's first 16 bits.
constexpr std::int32_t LongestGetLine = 0xFFFF;

bool EditorLibraryLoaded = false;
HMODULE RichEditLibrary = nullptr;
WNDPROC RichEditClassProc = nullptr;

LRESULT PassOn(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(RichEditClassProc, hwnd, message, wParam, lParam);
}

void LoadEditorLibraries()
{
    if (EditorLibraryLoaded)
        return;
    EditorLibraryLoaded = true;
    RichEditLibrary = LoadSystemDll(L"riched20.dll");
    if (!RichEditLibrary)
        LoadSystemDll(L"riched32.dll");
    LoadThemeEntryPoints();
}

// Keeps the selection from flashing while a line operation moves it.
class HiddenSelection {
public:
    explicit HiddenSelection(HWND hwnd) : hwnd_(hwnd) { Send(hwnd_, EM_HIDESELECTION, 1); }
    ~HiddenSelection() { Send(hwnd_, EM_HIDESELECTION, 0); }
    HiddenSelection(const HiddenSelection&) = delete;
    HiddenSelection& operator=(const HiddenSelection&) = delete;

private:
    HWND hwnd_;
};

void Select(HWND hwnd, LRESULT start, LRESULT end) { Send(hwnd, EM_SETSEL, static_cast<WPARAM>(start), end); }

// The text still to be handed to the control during one EM_STREAMIN.
struct PlainTextSource {
    const char* next;
    std::size_t left;
};

DWORD CALLBACK ReadPlainText(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* delivered)
{
    auto* source = reinterpret_cast<PlainTextSource*>(cookie);
    const std::size_t count = std::min(source->left, static_cast<std::size_t>(capacity > 0 ? capacity : 0));
    std::memcpy(buffer, source->next, count);
    source->next += count;
    source->left -= count;
    *delivered = static_cast<LONG>(count);
    return 0;
}

// The text as UTF-8 after its byte-order mark, in a block of the process
// heap freed with its owner; empty when memory ran out.
class Utf8Text {
public:
    explicit Utf8Text(const char* text)
    {
        const WideText wide(text);
        if (wide.text())
            Convert(wide.text(), wide.length());
    }
    explicit Utf8Text(const wchar_t* wide) { Convert(wide, lstrlenW(wide)); }
    ~Utf8Text()
    {
        if (bytes_)
            HeapFree(GetProcessHeap(), 0, bytes_);
    }
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;

    const char* bytes() const { return bytes_; }
    std::size_t size() const { return size_; }

private:
    void Convert(const wchar_t* wide, int count)
    {
        const int length = count > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr) : 0;
        if (length <= 0)
            return;
        bytes_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, sizeof Utf8Mark + static_cast<std::size_t>(length)));
        if (!bytes_)
            return;
        std::memcpy(bytes_, Utf8Mark, sizeof Utf8Mark);
        WideCharToMultiByte(CP_UTF8, 0, wide, count, bytes_ + sizeof Utf8Mark, length, nullptr, nullptr);
        size_ = sizeof Utf8Mark + static_cast<std::size_t>(length);
    }

    static constexpr char Utf8Mark[3] = {'\xEF', '\xBB', '\xBF'};
    char* bytes_ = nullptr;
    std::size_t size_ = 0;
};

// Replaces the selection with the text exactly as it stands. Rich edit 2.0
// and later read a text beginning with "{\rtf" as a rich-text document when
// it comes through EM_REPLACESEL or WM_SETTEXT, so a logger's reply could
// turn into formatting, or vanish; a stream declared as SF_TEXT is plain text
// on every rich edit version. The text is in the program's code page, which
// need not be the system's, so it goes in as UTF-8: rich edit 3.0 and later
// read a plain stream in the code page the high word names, and Wine's rich
// edit, which ignores that word, reads one that starts with the UTF-8 mark
// as UTF-8 and drops the mark. (A stream of UTF-16 would say the same to
// both, but Wine's rich edit takes it in pieces of half the characters, and
// a 64 KiB dump then went past its limit under the emulated 32-bit loader.)
void Replace(HWND hwnd, const Utf8Text& utf8)
{
    if (!utf8.bytes()) {
        // Nothing to insert, or no memory for its characters: deleting the
        // selection is all.
        Send(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));
        return;
    }
    PlainTextSource source{utf8.bytes(), utf8.size()};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadPlainText;
    Send(hwnd, EM_STREAMIN, (CP_UTF8 << 16) | SF_USECODEPAGE | SF_TEXT | SFF_SELECTION,
         reinterpret_cast<LPARAM>(&stream));
}

void Replace(HWND hwnd, const char* text) { Replace(hwnd, Utf8Text(text)); }

LRESULT LineStart(HWND hwnd, std::int32_t line) { return Send(hwnd, EM_LINEINDEX, static_cast<WPARAM>(line)); }

std::int32_t TextLength(HWND hwnd) { return GetWindowTextLengthW(hwnd); }

// Characters as selections count them: a line break is one.
LRESULT CharacterCount(HWND hwnd)
{
    GETTEXTLENGTHEX count{};
    count.flags = GTL_NUMCHARS | GTL_PRECISE;
    count.codepage = 1200; // UTF-16: one unit a character
    return Send(hwnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&count));
}

std::intptr_t EditorAddItem(GadgetRecord* record, std::int32_t position, const char* text, HANDLE)
{
    HWND hwnd = record->hwnd;
    HiddenSelection hidden(hwnd);
    const LRESULT start = LineStart(hwnd, position);
    if (start != -1 && position != -1) {
        // The new line goes before line position.
        Select(hwnd, start, start);
        Replace(hwnd, text);
        Replace(hwnd, "\n");
        return 0;
    }
    const LRESULT end = Send(hwnd, WM_GETTEXTLENGTH);
    Select(hwnd, end, end);
    if (record->kindWordA == EmptyLinePending) {
        Replace(hwnd, "\n");
        record->kindWordA = EmptyLineWritten;
    }
    if (end != 0)
        Replace(hwnd, "\n");
    else if (!*text && record->kindWordA == NoEmptyLine)
        record->kindWordA = EmptyLinePending;
    Replace(hwnd, text);
    return 0;
}

std::int32_t EditorCountItems(GadgetRecord* record)
{
    if (TextLength(record->hwnd) == 0 && record->kindWordA == NoEmptyLine)
        return 0;
    return static_cast<std::int32_t>(Send(record->hwnd, EM_GETLINECOUNT));
}

std::intptr_t EditorRemoveItem(GadgetRecord* record, std::int32_t line)
{
    HWND hwnd = record->hwnd;
    HiddenSelection hidden(hwnd);
    const LRESULT start = LineStart(hwnd, line);
    const LRESULT next = LineStart(hwnd, line + 1);
    Select(hwnd, start, next);
    Replace(hwnd, "");
    const std::int32_t remaining = TextLength(hwnd);
    if (remaining == 0)
        record->kindWordA = NoEmptyLine;
    return remaining;
}

std::intptr_t EditorClearItems(GadgetRecord* record)
{
    const BOOL cleared = SetWindowTextW(record->hwnd, L"");
    record->kindWordA = NoEmptyLine;
    return cleared;
}

// Lines too long for EM_GETLINE's 16-bit buffer size are read as a range.
std::int32_t ReadLongLine(HWND hwnd, LRESULT start, std::int32_t length, wchar_t* buffer)
{
    TEXTRANGEW range{};
    range.chrg.cpMin = static_cast<LONG>(start);
    range.chrg.cpMax = static_cast<LONG>(start + length);
    range.lpstrText = buffer;
    return static_cast<std::int32_t>(SendMessageW(hwnd, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
}

// The line is read as wide text, as the control holds it, and handed on in
// the program's code page.
char* EditorGetItemText(GadgetRecord* record, std::int32_t line, std::int32_t, std::int32_t resultPosition)
{
    HWND hwnd = record->hwnd;
    const LRESULT start = LineStart(hwnd, line);
    if (start == -1)
        return GadgetEmptyText(resultPosition);
    const auto lineLength = static_cast<std::int32_t>(Send(hwnd, EM_LINELENGTH, static_cast<WPARAM>(start)));
    if (lineLength < 0 || lineLength > INT32_MAX - 3)
        return GadgetEmptyText(resultPosition);
    const std::int32_t size = lineLength + 3;
    ProcessHeapBlock block(static_cast<std::size_t>(size) * sizeof(wchar_t));
    auto* buffer = block.As<wchar_t>();
    if (!buffer)
        return GadgetEmptyText(resultPosition);
    std::int32_t got = 0;
    if (size <= LongestGetLine) {
        buffer[0] = static_cast<wchar_t>(size);
        got = static_cast<std::int32_t>(
            SendMessageW(hwnd, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer)));
    } else {
        got = ReadLongLine(hwnd, start, lineLength, buffer);
    }
    if (got < 0 || got > size)
        got = 0;
    if (got > 0 && buffer[got - 1] == L'\r')
        --got;
    return GadgetTextFromWide(buffer, got, resultPosition);
}

std::intptr_t EditorSetItemText(GadgetRecord* record, std::int32_t line, const char* text, std::int32_t)
{
    HWND hwnd = record->hwnd;
    const LRESULT start = LineStart(hwnd, line);
    // Without the line there is nothing to replace; the text must not land
    // at the caret instead.
    if (start == -1)
        return -1;
    HiddenSelection hidden(hwnd);
    const LRESULT length = Send(hwnd, EM_LINELENGTH, static_cast<WPARAM>(start));
    Select(hwnd, start, start + length);
    Replace(hwnd, text ? text : "");
    return 1;
}

char* EditorGetText(GadgetRecord* record, std::int32_t resultPosition)
{
    return GadgetReadWindowText(record->hwnd, resultPosition);
}

std::intptr_t EditorSetText(GadgetRecord* record, const char* text)
{
    if (!text || !*text)
        return EditorClearItems(record);
    // The new text is all there is: an empty line still pending from before
    // must not turn up at the next append.
    record->kindWordA = NoEmptyLine;
    HiddenSelection hidden(record->hwnd);
    Select(record->hwnd, 0, -1);
    Replace(record->hwnd, text);
    return 1;
}

std::intptr_t EditorGetAttribute(GadgetRecord* record, std::int32_t attribute)
{
    if (attribute != AttrReadOnly)
        return 0;
    return (Send(record->hwnd, EM_GETOPTIONS) & ECO_READONLY) ? 1 : 0;
}

void EditorSetAttribute(GadgetRecord* record, std::int32_t attribute, std::intptr_t value)
{
    if (attribute == AttrReadOnly)
        Send(record->hwnd, EM_SETREADONLY, value ? TRUE : FALSE);
}

std::intptr_t EditorSetColor(GadgetRecord* record, std::int32_t type, std::int32_t colour)
{
    if (type == ColorBack) {
        const bool system = colour == -1;
        record->kindWordB = colour;
        return Send(record->hwnd, EM_SETBKGNDCOLOR, system ? 1 : 0, system ? 0 : colour);
    }
    if (type == ColorFront) {
        CHARFORMATA format{};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_COLOR;
        format.dwEffects = colour == -1 ? CFE_AUTOCOLOR : 0;
        format.crTextColor = static_cast<COLORREF>(colour);
        Send(record->hwnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
        Send(record->hwnd, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        record->kindWordC = colour;
        return colour;
    }
    return 0;
}

std::int32_t EditorGetColor(GadgetRecord* record, std::int32_t type)
{
    if (type == ColorBack)
        return static_cast<std::int32_t>(record->kindWordB);
    if (type == ColorFront)
        return static_cast<std::int32_t>(record->kindWordC);
    return -1;
}

constexpr GadgetOps EditorOps = {
    .kindId = GadgetKindEditor,
    .tableSize = sizeof(GadgetOps),
    .getText = EditorGetText,
    .setText = EditorSetText,
    .addItem = EditorAddItem,
    .removeItem = EditorRemoveItem,
    .clearItems = EditorClearItems,
    .countItems = EditorCountItems,
    .getItemText = EditorGetItemText,
    .setItemText = EditorSetItemText,
    .getAttribute = EditorGetAttribute,
    .setAttribute = EditorSetAttribute,
    .setColor = EditorSetColor,
    .getColor = EditorGetColor,
};

} // namespace

namespace {

std::int32_t Insert(ObjectNumber number, std::int32_t position, const Utf8Text& text)
{
    const GadgetRecord* record = GadgetLookup(number);
    if (!record || record->ops != &EditorOps)
        return -1;
    HWND hwnd = record->hwnd;
    const LRESULT before = CharacterCount(hwnd);
    // The control would otherwise draw within the insertion, a good part of
    // its cost when text is added often, as a dump's is.
    Send(hwnd, WM_SETREDRAW, FALSE);
    Select(hwnd, position, position);
    Replace(hwnd, text);
    Send(hwnd, WM_SETREDRAW, TRUE);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    return static_cast<std::int32_t>(CharacterCount(hwnd) - before);
}

} // namespace

std::int32_t EditorInsertText(ObjectNumber number, std::int32_t position, const char* text)
{
    return Insert(number, position, Utf8Text(text ? text : ""));
}

std::int32_t EditorInsertWide(ObjectNumber number, std::int32_t position, const wchar_t* text)
{
    return Insert(number, position, Utf8Text(text ? text : L""));
}

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFONT:
        PassOn(window, message, wParam, lParam);
        // A new font resets the character format: the text colour goes with it.
        if (GadgetRecord* record = GadgetOfWindow(window))
            EditorSetColor(record, ColorFront, static_cast<std::int32_t>(record->kindWordC));
        return 0;
    case WM_NCDESTROY:
        HeapBlockFree(MainHeap, RemovePropA(window, MarginsProperty));
        return PassOn(window, message, wParam, lParam);
    case WM_NCCALCSIZE:
        if (wParam) {
            const LRESULT result = PassOn(window, message, wParam, lParam);
            auto* sizes = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
            return MeasureThemedFrame(window, &sizes->rgrc[0]) ? WVR_REDRAW : result;
        }
        return PassOn(window, message, wParam, lParam);
    case WM_NCPAINT:
        PassOn(window, message, wParam, lParam);
        PaintThemedBorder(window);
        return 0;
    default:
        return PassOn(window, message, wParam, lParam);
    }
}

std::intptr_t GadgetCreateEditor(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, std::uint32_t flags)
{
    DetectThemes();
    LoadEditorLibraries();
    const GadgetWindowPlan plan{
        VisualStylesActive ? 0u : static_cast<DWORD>(WS_EX_CLIENTEDGE),
        RichEditLibrary ? L"RichEdit20W" : L"RichEdit",
        nullptr,
        flags | EditorStyle,
        x, y, width, height, -1,
    };
    HWND hwnd = nullptr;
    GadgetRecord* record = GadgetCreateWindow(number, plan, &hwnd);
    if (!record)
        return 0;
    record->kindWordA = NoEmptyLine;
    record->kindWordB = -1;
    record->kindWordC = -1;
    SetPropA(hwnd, MarginsProperty, HeapBlockAlloc(MainHeap, 4 * sizeof(std::int32_t), true));
    Send(hwnd, EM_EXLIMITTEXT, 0, UnlimitedText);
    RichEditClassProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorWindowProc)));
    // Measure the frame again, now that the themed measure is in place.
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    EventFlushMessages();
    return GadgetRegister(number, record, hwnd, &EditorOps);
}
