// The decisions and arithmetic that need no window: the alpha-image decision,
// WindowOpen's style and placement, and the live sizing geometry.
#include "window/alpha_images.h"
#include "window/live_sizing.h"
#include "window/window.h"
#include "window/window_geometry.h"

#include <gtest/gtest.h>

namespace {

constexpr SystemVersionFacts Win95{true, VER_PLATFORM_WIN32_WINDOWS, 4, 0};
constexpr SystemVersionFacts Nt4{true, VER_PLATFORM_WIN32_NT, 4, 0};
constexpr SystemVersionFacts Win2000{true, VER_PLATFORM_WIN32_NT, 5, 0};
constexpr SystemVersionFacts WinXp{true, VER_PLATFORM_WIN32_NT, 5, 1};
constexpr SystemVersionFacts Win2003{true, VER_PLATFORM_WIN32_NT, 5, 2};
constexpr SystemVersionFacts Win7{true, VER_PLATFORM_WIN32_NT, 6, 1};
constexpr SystemVersionFacts Unknown{false, VER_PLATFORM_WIN32_WINDOWS, 0, 0};
constexpr SystemVersionFacts OtherPlatform{true, 3, 1, 0};

constexpr VisualStyleFacts Themed6{0x60000, true, true, true};
constexpr VisualStyleFacts Classic6{0x60000, true, true, false};
constexpr VisualStyleFacts Themed582{0x50052, true, true, true};
constexpr VisualStyleFacts NoVersion{1, true, true, true};
constexpr VisualStyleFacts NoThemeLibrary{0x60000, false, false, false};
constexpr VisualStyleFacts NoThemeQuery{0x60000, true, false, false};
constexpr VisualStyleFacts Themed610{0x6000A, true, true, true};

struct AlphaRow {
    const char* name;
    SystemVersionFacts version;
    VisualStyleFacts styles;
    bool expected;
};

TEST(AlphaImages, EveryRowOfTheDecision)
{
    const AlphaRow rows[] = {
        {"XP themed, controls 6", WinXp, Themed6, true},
        {"XP classic theme", WinXp, Classic6, false},
        {"Windows 2000 themed", Win2000, Themed6, false},
        {"NT 4", Nt4, Themed6, false},
        {"Windows 95", Win95, Themed6, false},
        {"controls 5.82 themed", WinXp, Themed582, false},
        {"no DllGetVersion", Win7, NoVersion, false},
        {"no uxtheme.dll", Win7, NoThemeLibrary, false},
        {"no IsAppThemed", Win7, NoThemeQuery, false},
        {"Server 2003", Win2003, Themed6, true},
        {"Windows 7, controls 6.10", Win7, Themed610, true},
        {"version unknown, themed", Unknown, Themed6, true},
        {"version unknown, classic", Unknown, Classic6, false},
        {"another platform", OtherPlatform, Themed6, true},
    };
    for (const AlphaRow& row : rows)
        EXPECT_EQ(AlphaImagesDecision(row.version, row.styles), row.expected) << row.name;
}

struct StyleRow {
    std::uint32_t flags;
    DWORD style;
    DWORD extendedStyle;
    bool hidden;
    bool keepGadgetList;
};

TEST(WindowStyle, FlagsWordBecomesStyle)
{
    const StyleRow rows[] = {
        // The application's window: caption, system menu, minimise box.
        {0xCA0001, 0xCA0000, 0, false, false},
        // Nothing but toolkit bits still gives a title bar.
        {0, WS_CAPTION, 0, false, false},
        {0x3, WS_CAPTION, 0, false, false},
        {0x10000003, WS_CAPTION, 0, true, false},
        {0x8, WS_CAPTION, 0, false, true},
        // A style of the caller's own is kept as it is.
        {WS_POPUP, WS_POPUP, 0, false, false},
        {WS_POPUP | 0x10000000, WS_POPUP, 0, true, false},
        // Tool windows: caption forced on, minimise/maximise bits off.
        {0x4, WS_CAPTION, WS_EX_TOOLWINDOW, false, false},
        {0x4 | WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU, WS_CAPTION | WS_SYSMENU,
         WS_EX_TOOLWINDOW, false, false},
        {WS_MAXIMIZE | WS_OVERLAPPEDWINDOW, WS_MAXIMIZE | WS_OVERLAPPEDWINDOW, 0, false, false},
    };
    for (const StyleRow& row : rows) {
        const WindowStyle style = WindowStyleFromFlags(row.flags);
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << row.flags);
        EXPECT_EQ(style.style, row.style);
        EXPECT_EQ(style.extendedStyle, row.extendedStyle);
        EXPECT_EQ(style.hidden, row.hidden);
        EXPECT_EQ(style.keepGadgetList, row.keepGadgetList);
    }
}

struct PlacementRow {
    const char* name;
    std::uint32_t flags;
    std::int32_t x, y;
    SIZE outer;
    bool hasReference;
    RECT reference;
    WindowPlacement expected;
};

TEST(WindowPlacement, CentringDefaultsAndLimits)
{
    constexpr SIZE screen{1280, 1024};
    const PlacementRow rows[] = {
        {"as passed", 0, 10, 20, {300, 200}, false, {}, {10, 20, 300, 200}},
        {"centred on the screen", 1, 376, 204, {561, 306}, false, {}, {359, 359, 561, 306}},
        {"larger than the screen", 1, 0, 0, {2000, 1500}, false, {}, {0, 0, 1280, 1024}},
        {"default position", 0, WINDOW_DEFAULT_POSITION, 5, {300, 200}, false, {},
         {CW_USEDEFAULT, CW_USEDEFAULT, 300, 200}},
        {"default y only", 0, 5, WINDOW_DEFAULT_POSITION, {300, 200}, false, {},
         {CW_USEDEFAULT, CW_USEDEFAULT, 300, 200}},
        {"centring wins over the default", 1, WINDOW_DEFAULT_POSITION, 0, {280, 24}, false, {}, {500, 500, 280, 24}},
        {"on the parent", 2, 0, 0, {100, 50}, true, {200, 100, 600, 400}, {350, 225, 100, 50}},
        {"rounding toward zero", 2, 0, 0, {101, 51}, true, {200, 100, 600, 400}, {349, 224, 101, 51}},
        {"parent near the corner", 2, 0, 0, {400, 300}, true, {10, 5, 110, 105}, {0, 0, 400, 300}},
        {"parent centring keeps the size", 2, 0, 0, {3000, 2000}, true, {0, 0, 1280, 1024}, {0, 0, 3000, 2000}},
        {"no parent, no active window", 2, 7, 9, {100, 50}, false, {}, {7, 9, 100, 50}},
        {"both bits: the screen rule", 3, 0, 0, {280, 24}, true, {0, 0, 10, 10}, {500, 500, 280, 24}},
    };
    for (const PlacementRow& row : rows) {
        const WindowPlacement placement = WindowPlacementFor(
            WindowStyleFromFlags(row.flags), row.x, row.y, row.outer, screen, row.hasReference ? &row.reference : nullptr);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(placement.x, row.expected.x);
        EXPECT_EQ(placement.y, row.expected.y);
        EXPECT_EQ(placement.width, row.expected.width);
        EXPECT_EQ(placement.height, row.expected.height);
    }
}

TEST(WindowPlacement, ClientSizeIsHeldToWhatAWindowCanHave)
{
    EXPECT_EQ(ClientExtent(555), 555);
    EXPECT_EQ(ClientExtent(-5), 0);
    EXPECT_EQ(ClientExtent(INT32_MAX), 32767);
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

struct DragRow {
    const char* name;
    SizingEdge edge;
    POINT point;
    RECT expected;
};

TEST(LiveSizing, DragKeepsTheTrackingLimits)
{
    constexpr RECT start{100, 100, 400, 300};
    constexpr SIZE minimum{120, 80};
    constexpr SIZE maximum{500, 400};
    const DragRow rows[] = {
        {"no edge changes nothing", SizingEdge::None, {0, 0}, start},
        {"left edge", SizingEdge::Left, {50, 999}, {50, 100, 400, 300}},
        {"left edge below the minimum", SizingEdge::Left, {390, 0}, {280, 100, 400, 300}},
        {"left edge above the maximum", SizingEdge::Left, {-300, 0}, {-100, 100, 400, 300}},
        {"right edge lies 2 right of the cursor", SizingEdge::Right, {450, 0}, {100, 100, 452, 300}},
        {"right edge below the minimum", SizingEdge::Right, {0, 0}, {100, 100, 220, 300}},
        {"right edge above the maximum", SizingEdge::Right, {900, 0}, {100, 100, 600, 300}},
        {"top edge", SizingEdge::Top, {0, 60}, {100, 60, 400, 300}},
        {"top edge below the minimum", SizingEdge::Top, {0, 290}, {100, 220, 400, 300}},
        {"bottom edge", SizingEdge::Bottom, {0, 350}, {100, 100, 400, 352}},
        {"bottom edge above the maximum", SizingEdge::Bottom, {0, 900}, {100, 100, 400, 500}},
        {"top-left corner, 2 inside", SizingEdge::TopLeft, {82, 72}, {80, 70, 400, 300}},
        {"top-right corner", SizingEdge::TopRight, {498, 50}, {100, 50, 500, 300}},
        {"bottom-left corner", SizingEdge::BottomLeft, {70, 308}, {70, 100, 400, 310}},
        {"bottom-right corner at the minimum", SizingEdge::BottomRight, {0, 0}, {100, 100, 220, 180}},
    };
    for (const DragRow& row : rows) {
        const RECT result = SizingDrag(start, row.edge, row.point, minimum, maximum);
        EXPECT_TRUE(SameRect(result, row.expected)) << row.name << ": " << Describe(result);
    }
}

struct ArrowRow {
    SizingEdge edge;
    WPARAM key;
    ArrowKeyAction::Kind kind;
    SizingEdge newEdge;
    POINT cursor;
    LPCSTR shape;
};

TEST(LiveSizing, ArrowKeyTable)
{
    constexpr RECT r{100, 200, 500, 600};
    constexpr POINT p{300, 400};
    using K = ArrowKeyAction::Kind;
    using E = SizingEdge;
    const ArrowRow rows[] = {
        {E::None, VK_LEFT, K::Place, E::Left, {100, 400}, IDC_SIZEWE},
        {E::None, VK_RIGHT, K::Place, E::Right, {498, 400}, IDC_SIZEWE},
        {E::None, VK_UP, K::Place, E::Top, {300, 200}, IDC_SIZENS},
        {E::None, VK_DOWN, K::Place, E::Bottom, {300, 598}, IDC_SIZENS},
        {E::Left, VK_LEFT, K::Step, E::Left, {290, 400}, nullptr},
        {E::Left, VK_RIGHT, K::Step, E::Left, {310, 400}, nullptr},
        {E::Left, VK_UP, K::Place, E::TopLeft, {102, 202}, IDC_SIZENWSE},
        {E::Left, VK_DOWN, K::Place, E::BottomLeft, {100, 598}, IDC_SIZENESW},
        {E::Right, VK_LEFT, K::Step, E::Right, {290, 400}, nullptr},
        {E::Right, VK_RIGHT, K::Step, E::Right, {310, 400}, nullptr},
        {E::Right, VK_UP, K::Place, E::TopRight, {498, 200}, IDC_SIZENESW},
        {E::Right, VK_DOWN, K::Place, E::BottomRight, {498, 598}, IDC_SIZENWSE},
        {E::Top, VK_LEFT, K::Place, E::TopLeft, {102, 202}, IDC_SIZENWSE},
        {E::Top, VK_RIGHT, K::Place, E::TopRight, {498, 200}, IDC_SIZENESW},
        {E::Top, VK_UP, K::Step, E::Top, {300, 390}, nullptr},
        {E::Top, VK_DOWN, K::Step, E::Top, {300, 410}, nullptr},
        {E::Bottom, VK_LEFT, K::Place, E::BottomLeft, {100, 598}, IDC_SIZENESW},
        {E::Bottom, VK_RIGHT, K::Place, E::BottomRight, {498, 598}, IDC_SIZENWSE},
        {E::Bottom, VK_UP, K::Step, E::Bottom, {300, 390}, nullptr},
        {E::Bottom, VK_DOWN, K::Step, E::Bottom, {300, 410}, nullptr},
        {E::TopLeft, VK_LEFT, K::Step, E::TopLeft, {290, 400}, nullptr},
        {E::TopLeft, VK_UP, K::Step, E::TopLeft, {300, 390}, nullptr},
        {E::BottomRight, VK_RIGHT, K::Step, E::BottomRight, {310, 400}, nullptr},
        {E::BottomRight, VK_DOWN, K::Step, E::BottomRight, {300, 410}, nullptr},
    };
    for (const ArrowRow& row : rows) {
        const ArrowKeyAction action = SizingArrowKey(row.edge, row.key, p, r);
        SCOPED_TRACE(testing::Message() << "edge " << static_cast<int>(row.edge) << ", key " << row.key);
        EXPECT_EQ(action.kind, row.kind);
        EXPECT_EQ(action.edge, row.newEdge);
        EXPECT_EQ(action.cursor.x, row.cursor.x);
        EXPECT_EQ(action.cursor.y, row.cursor.y);
        if (row.kind == K::Place) {
            EXPECT_EQ(action.cursorShape, row.shape);
        }
    }
}

// Placing the cursor on an edge or corner and then dragging to it must leave
// the rectangle as it was: otherwise the first mouse move after choosing an
// edge would jump the window.
TEST(LiveSizing, PlacingThenDraggingChangesNothing)
{
    constexpr RECT r{100, 200, 500, 600};
    constexpr SIZE minimum{1, 1};
    constexpr SIZE maximum{5000, 5000};
    const SizingEdge edges[] = {SizingEdge::None, SizingEdge::Left, SizingEdge::Right, SizingEdge::Top,
                                SizingEdge::Bottom};
    const WPARAM keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN};
    for (SizingEdge edge : edges)
        for (WPARAM key : keys) {
            const ArrowKeyAction action = SizingArrowKey(edge, key, {300, 400}, r);
            if (action.kind != ArrowKeyAction::Kind::Place)
                continue;
            const RECT after = SizingDrag(r, action.edge, action.cursor, minimum, maximum);
            EXPECT_TRUE(SameRect(after, r)) << "edge " << static_cast<int>(edge) << ", key " << key << ": "
                                            << Describe(after);
        }
}

// The keyboard run: Left then Up picks the top-left corner with the cursor
// 2 inside it; a further Up moves the top edge 10 up.
TEST(LiveSizing, LeftThenUpThenUp)
{
    RECT r{100, 200, 500, 600};
    POINT cursor{300, 400};
    SizingEdge edge = SizingEdge::None;
    for (WPARAM key : {VK_LEFT, VK_UP}) {
        const ArrowKeyAction action = SizingArrowKey(edge, key, cursor, r);
        edge = action.edge;
        cursor = action.cursor;
    }
    EXPECT_EQ(edge, SizingEdge::TopLeft);
    EXPECT_EQ(cursor.x, 102);
    EXPECT_EQ(cursor.y, 202);
    const ArrowKeyAction step = SizingArrowKey(edge, VK_UP, cursor, r);
    ASSERT_EQ(step.kind, ArrowKeyAction::Kind::Step);
    r = SizingDrag(r, step.edge, step.cursor, {10, 10}, {1000, 1000});
    EXPECT_TRUE(SameRect(r, {100, 190, 500, 600})) << Describe(r);
}

} // namespace
