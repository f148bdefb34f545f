// The program on a display at 150 % and at 125 %: this binary runs in
// sessions of its own whose displays have 144 and 120 dots per inch.
#include "tests/e2e/client_fixture.h"
#include "window/dpi_scale.h"

#include <memory>
#include <type_traits>

namespace {

// A font as the program makes one for its gadgets; no face: the stock GUI
// font. A font handle of another process cannot be selected here.
struct FontMade {
    const char* face;
    int points;
    bool bold;
};

SIZE TextExtent(const std::string& text, FontMade made, int dpi)
{
    using ScopedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, decltype(&DeleteObject)>;
    ScopedFont own(made.face ? CreateFontA(-MulDiv(made.points, dpi, 72), 0, 0, 0, made.bold ? FW_BOLD : FW_NORMAL,
                                           0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, made.face)
                             : nullptr,
                   DeleteObject);
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, own ? own.get() : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return extent;
}

TEST_F(ClientTest, TheLayoutFollowsTheDisplayScaleAndEveryTextFits)
{
    // Rectangles as the screen has them: a process unaware of DPI would be
    // shown them scaled back to 96 dpi.
    ASSERT_TRUE(SetProcessDPIAware());
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(dpi, BaseDpi) << "this session's display is not scaled";
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    Press(ReadButton, 6);

    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right, ScaleToDpi(555, dpi));
    EXPECT_EQ(client.bottom, ScaleToDpi(280, dpi));

    constexpr FontMade Gui{}, Medium{"Arial ", 15, false}, Large{"Arial Black", 22, true}, SmallBold{"Arial ", 12, true};
    struct Expected {
        int gadget;
        LayoutRect at96;
        FontMade font;
        std::string text;
    };
    const Expected gadgets[] = {
        {ReadButton, {30, 60, 80, 70}, Gui, "Read"},      {WriteButton, {460, 90, 60, 40}, Gui, "Write"},
        {FormatButton, {460, 30, 60, 40}, Gui, "Format"}, {StepButton, {290, 105, 20, 20}, Gui, "+"},
        {DumpButton, {460, 150, 60, 40}, Gui, "Dump"},    {ClearButton, {460, 210, 60, 40}, Gui, "Clear"},
        {ReadingField, {130, 20, 280, 60}, Large, "+21.5"}, {MemoryField, {130, 100, 90, 30}, Medium, "120"},
        {IntervalField, {320, 100, 90, 30}, Medium, "Hour"}, {LogEditor, {130, 150, 280, 90}, SmallBold, "+21.5"},
        {DumpProgress, {130, 250, 140, 10}, Gui, ""},
    };
    for (const Expected& expected : gadgets) {
        SCOPED_TRACE("gadget " + std::to_string(expected.gadget));
        const LayoutRect scaled = ScaleToDpi(expected.at96, dpi);
        EXPECT_EQ(GadgetPlacement(window_, Gadget(expected.gadget)),
                  (Placement{scaled.x, scaled.y, scaled.width, scaled.height}));
        RECT inside{};
        GetClientRect(Gadget(expected.gadget), &inside);
        const SIZE text = TextExtent(expected.text, expected.font, dpi);
        EXPECT_LE(text.cx, inside.right);
        EXPECT_LE(text.cy, inside.bottom);
    }
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+21.5"});

    // The port list: corner and width scaled (its window is the drop-down's
    // height), and the port's name whole beside the arrow in the closed list.
    HWND list = Gadget(PortList);
    const Placement placed = GadgetPlacement(window_, list);
    const LayoutRect scaled = ScaleToDpi(LayoutRect{30, 20, 70, 20}, dpi);
    EXPECT_EQ((LayoutRect{placed.x, placed.y, placed.width, 0}), (LayoutRect{scaled.x, scaled.y, scaled.width, 0}));
    RECT inside{};
    GetClientRect(list, &inside);
    const SIZE name = TextExtent("COM2", Gui, dpi);
    EXPECT_LE(name.cx + GetSystemMetrics(SM_CXVSCROLL), inside.right);
    EXPECT_LE(name.cy, SendMessageA(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
}

} // namespace
