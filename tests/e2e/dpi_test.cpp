// The program on a display at 150 % and at 125 %: this binary runs in
// sessions of its own whose displays have 144 and 120 dots per inch.
#include "app/client/main_window.h"
#include "tests/e2e/client_fixture.h"
#include "window/dpi_scale.h"

#include <map>

namespace {

// The text's size in a font made as the program makes its gadgets' (a font
// handle of another process cannot be selected); no face: the stock GUI font.
struct FontMade {
    const char* face;
    int points;
    bool bold;
};

// The fonts the program makes (main_window.cpp), by the layout's names.
FontMade FontOf(ClientFont font)
{
    switch (font) {
    case ClientFont::Medium: return {"Arial ", 15, false};
    case ClientFont::Large: return {"Arial Black", 22, true};
    case ClientFont::SmallBold: return {"Arial ", 12, true};
    case ClientFont::Default: break;
    }
    return {};
}

SIZE TextExtent(const std::wstring& text, FontMade made, int dpi)
{
    HFONT own = made.face ? CreateFontA(-MulDiv(made.points, dpi, 72), 0, 0, 0, made.bold ? FW_BOLD : FW_NORMAL, 0,
                                        0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, made.face)
                          : nullptr;
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, own ? own : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    if (own)
        DeleteObject(own);
    return extent;
}

TEST_F(ClientTest, TheLayoutFollowsTheDisplayScaleAndEveryTextFits)
{
    // Rectangles as the screen has them, not scaled back to 96 dpi.
    ASSERT_TRUE(SetProcessDPIAware());
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(dpi, BaseDpi) << "this session's display is not scaled";
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    Press(ReadButton, 6);

    RECT inside{};
    GetClientRect(window_, &inside);
    EXPECT_EQ(inside.right, ScaleToDpi(555, dpi));
    EXPECT_EQ(inside.bottom, ScaleToDpi(280, dpi));
    // The texts that are not a row's caption: the first readings, the port,
    // and the interval list's widest label, "10 мин" (it shows "10 с" at first).
    const std::map<ObjectNumber, std::wstring> shown = {
        {ReadingField, L"+21.5"}, {MemoryField, L"120"}, {IntervalField, L"Hour"}, {LogEditor, L"+21.5"},
        {PortList, L"COM2"},      {WatchIntervalList, L"10 \u043c\u0438\u043d"},
    };
    for (const GadgetLayout& row : ClientGadgetLayout) {
        SCOPED_TRACE("gadget " + std::to_string(row.number));
        HWND gadget = Gadget(static_cast<int>(row.number));
        const LayoutRect at = ScaleToDpi(LayoutRect{row.x, row.y, row.width, row.height}, dpi);
        Placement placed = GadgetPlacement(window_, gadget);
        GetClientRect(gadget, &inside);
        if (row.kind == GadgetKindComboBox) {
            // Its window is the drop-down's height; the text stands beside
            // the arrow in the closed list's.
            placed.height = at.height;
            inside.right -= GetSystemMetrics(SM_CXVSCROLL);
            inside.bottom = static_cast<LONG>(SendMessageA(gadget, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        }
        EXPECT_EQ(placed, (Placement{at.x, at.y, at.width, at.height}));
        const auto text = shown.find(row.number);
        const SIZE extent =
            TextExtent(text != shown.end() ? text->second : WideFromCodePage(row.caption), FontOf(row.font), dpi);
        EXPECT_LE(extent.cx, inside.right);
        EXPECT_LE(extent.cy, inside.bottom);
    }
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+21.5"});
}

} // namespace
