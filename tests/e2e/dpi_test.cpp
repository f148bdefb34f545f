// The program on a display at 150 % and at 125 %: this binary runs in
// sessions of its own whose displays have 144 and 120 dots per inch.
#include "tests/e2e/client_fixture.h"
#include "window/dpi_scale.h"

namespace {

// The text's size in a font made as the program makes its gadgets' (a font
// handle of another process cannot be selected); no face: the stock GUI font.
struct FontMade {
    const char* face;
    int points;
    bool bold;
};

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
    constexpr FontMade Gui{}, Medium{"Arial ", 15, false}, Large{"Arial Black", 22, true}, Log{"Arial ", 12, true};
    const struct {
        int gadget;
        LayoutRect at96;
        FontMade font;
        std::wstring text;
    } gadgets[] = {
        {ReadButton, {30, 60, 80, 70}, Gui, L"Read"},        {WriteButton, {460, 90, 60, 40}, Gui, L"Write"},
        {FormatButton, {460, 30, 60, 40}, Gui, L"Format"},   {StepButton, {290, 105, 20, 20}, Gui, L"+"},
        {DumpButton, {460, 150, 60, 40}, Gui, L"Dump"},      {ClearButton, {460, 210, 60, 40}, Gui, L"Clear"},
        {ReadingField, {130, 20, 280, 60}, Large, L"+21.5"}, {MemoryField, {130, 100, 90, 30}, Medium, L"120"},
        {IntervalField, {320, 100, 90, 30}, Medium, L"Hour"}, {LogEditor, {130, 150, 280, 90}, Log, L"+21.5"},
        {DumpProgress, {130, 250, 140, 10}, Gui, L""},       {PortList, {30, 20, 70, 0}, Gui, L"COM2"},
        {WatchButton, {30, 150, 80, 30}, Gui, L"Watch"},      {ChartButton, {30, 220, 80, 30}, Gui, L"Chart"},
        // The list's widest label, "10 мин"; it shows "10 с" at first.
        {WatchIntervalList, {30, 190, 80, 0}, Gui, L"10 \u043c\u0438\u043d"},
    };
    for (const auto& expected : gadgets) {
        SCOPED_TRACE("gadget " + std::to_string(expected.gadget));
        const LayoutRect at = ScaleToDpi(expected.at96, dpi);
        Placement placed = GadgetPlacement(window_, Gadget(expected.gadget));
        GetClientRect(Gadget(expected.gadget), &inside);
        if (expected.gadget == PortList || expected.gadget == WatchIntervalList) {
            // Its window is the drop-down's height; the text stands beside
            // the arrow in the closed list's.
            placed.height = 0;
            inside.right -= GetSystemMetrics(SM_CXVSCROLL);
            inside.bottom = static_cast<LONG>(
                SendMessageA(Gadget(expected.gadget), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        }
        EXPECT_EQ(placed, (Placement{at.x, at.y, at.width, at.height}));
        const SIZE text = TextExtent(expected.text, expected.font, dpi);
        EXPECT_LE(text.cx, inside.right);
        EXPECT_LE(text.cy, inside.bottom);
    }
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+21.5"});
}

} // namespace
