// The editor gadget: its text as a list of lines with the empty-line states,
// text limits, the read-only attribute and the colours.

#include "gadget_test_support.h"

#include "gadget/editor.h"
#include "gadget/font.h"
#include "window/alpha_images.h"

#include "base/strings.h"

#include <richedit.h>

#include <algorithm>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class Editor : public GadgetWindowTest {
protected:
    void SetUp() override
    {
        GadgetWindowTest::SetUp();
        ASSERT_NE(GadgetCreateEditor(12, 10, 10, 400, 200), 0);
        record = GadgetLookup(12);
        hwnd = record->hwnd;
    }

    std::int32_t Count() { return record->ops->countItems(record); }
    std::int32_t State() { return record->kindWordA; }

    std::string Line(std::int32_t line)
    {
        const std::int32_t start = TempLength;
        const char* text = record->ops->getItemText(record, line, 0, start);
        EXPECT_EQ(text, TempBuffer + start);
        std::string result = TempText(start);
        TempSetLength(start);
        return result;
    }

    Strings Lines()
    {
        Strings lines;
        for (std::int32_t i = 0; i < Count(); ++i)
            lines.push_back(Line(i));
        return lines;
    }

    GadgetRecord* record = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(Editor, IsARichEditWithTheEditorStyle)
{
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    EXPECT_STREQ(name, "RichEdit20W");
    EXPECT_EQ(record->ops->kindId, GadgetKindEditor);
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & ES_MULTILINE, ES_MULTILINE);
    EXPECT_EQ(style & WS_TABSTOP, WS_TABSTOP);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_ID), 12);
    EXPECT_NE(GetPropA(hwnd, "GX_ClientRect"), nullptr);
    // Classic look without visual styles: the sunken client edge.
    const bool clientEdge = (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
    EXPECT_EQ(clientEdge, !VisualStylesActive);
}

TEST_F(Editor, InsertAtTheTopPutsNewLinesAbove)
{
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(GadgetInsertItem(12, 0, "21.5"), 0);
    // The text and a line break: the line, then an empty last line.
    EXPECT_EQ(Lines(), (Strings{"21.5", ""}));
    GadgetInsertItem(12, 0, "22.0");
    GadgetInsertItem(12, 0, "22.5");
    EXPECT_EQ(Lines(), (Strings{"22.5", "22.0", "21.5", ""}));
    GadgetInsertItem(12, 2, "middle");
    EXPECT_EQ(Lines(), (Strings{"22.5", "22.0", "middle", "21.5", ""}));
    EXPECT_EQ(State(), 0);
}

TEST_F(Editor, AppendAddsLinesAtTheEnd)
{
    GadgetInsertItem(12, -1, "first");
    GadgetInsertItem(12, -1, "second");
    // A line past the end appends as well.
    GadgetInsertItem(12, 50, "third");
    EXPECT_EQ(Lines(), (Strings{"first", "second", "third"}));
}

TEST_F(Editor, EmptyLineStates)
{
    GadgetInsertItem(12, -1, "");
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
    EXPECT_EQ(State(), 1);
    EXPECT_EQ(Count(), 1);

    GadgetInsertItem(12, -1, "abc");
    EXPECT_EQ(State(), 2);
    EXPECT_EQ(Lines(), (Strings{"", "abc"}));

    GadgetInsertItem(12, -1, "def");
    EXPECT_EQ(State(), 2);
    EXPECT_EQ(Lines(), (Strings{"", "abc", "def"}));

    GadgetClearItems(12);
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
}

TEST_F(Editor, AppendingTextToAnEmptyEditorNeedsNoEmptyLine)
{
    GadgetInsertItem(12, -1, "abc");
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Lines(), (Strings{"abc"}));
}

TEST_F(Editor, EmptyTextReturnsToStateZero)
{
    GadgetInsertItem(12, -1, "");
    ASSERT_EQ(State(), 1);
    GadgetSetText(12, "");
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Count(), 0);

    GadgetInsertItem(12, -1, "");
    GadgetSetText(12, nullptr);
    EXPECT_EQ(State(), 0);

    GadgetSetText(12, "one\ntwo");
    EXPECT_EQ(Lines(), (Strings{"one", "two"}));
    EXPECT_EQ(State(), 0);
}

TEST_F(Editor, NewTextDropsAPendingEmptyLine)
{
    GadgetInsertItem(12, -1, "");
    ASSERT_EQ(State(), 1);
    GadgetSetText(12, "abc");
    GadgetInsertItem(12, -1, "def");
    EXPECT_EQ(Lines(), (Strings{"abc", "def"}));
}

TEST_F(Editor, RemoveItemTakesTheWholeLine)
{
    GadgetInsertItem(12, -1, "a");
    GadgetInsertItem(12, -1, "b");
    GadgetInsertItem(12, -1, "c");
    record->ops->removeItem(record, 1);
    EXPECT_EQ(Lines(), (Strings{"a", "c"}));

    GadgetSetText(12, "only");
    GadgetInsertItem(12, -1, "");
    const std::intptr_t remaining = record->ops->removeItem(record, 0);
    EXPECT_EQ(remaining, GetWindowTextLengthA(hwnd));
    EXPECT_EQ(remaining, 0);
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Count(), 0);
}

TEST_F(Editor, LineEndingInACarriageReturnIsReadWithoutIt)
{
    GadgetSetText(12, "23.5\r\n24.0\r\nlast");
    EXPECT_EQ(Lines(), (Strings{"23.5", "24.0", "last"}));
    EXPECT_EQ(Line(7), "");
}

TEST_F(Editor, LongLinesAreReadWhole)
{
    const std::string longLine(70000, 'q');
    GadgetSetText(12, (longLine + "\nshort").c_str());
    EXPECT_EQ(Line(0), longLine);
    EXPECT_EQ(Line(1), "short");
}

TEST_F(Editor, SetItemTextReplacesOneLine)
{
    GadgetSetText(12, "a\nb\nc");
    EXPECT_EQ(record->ops->setItemText(record, 1, "bee", 0), 1);
    EXPECT_EQ(Lines(), (Strings{"a", "bee", "c"}));
    record->ops->setItemText(record, 2, nullptr, 0);
    EXPECT_EQ(Lines(), (Strings{"a", "bee", ""}));
    // A missing line changes nothing.
    EXPECT_EQ(record->ops->setItemText(record, 9, "lost", 0), -1);
    EXPECT_EQ(Lines(), (Strings{"a", "bee", ""}));
}

TEST_F(Editor, TextIsTheWholeWindowText)
{
    GadgetInsertItem(12, 0, "x");
    const std::string text = GadgetText(12);
    EXPECT_EQ(text.substr(0, 1), "x");
    EXPECT_EQ(static_cast<int>(text.size()), GetWindowTextLengthA(hwnd));
}

TEST_F(Editor, TextLimitIsLifted)
{
    EXPECT_GE(SendMessageA(hwnd, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFF);
    // Typed text still goes in.
    SetFocus(hwnd);
    SendMessageA(hwnd, WM_CHAR, 'k', 0);
    EXPECT_EQ(GadgetText(12), "k");

    const std::string big(100000, 'z');
    GadgetInsertItem(12, -1, big.c_str());
    EXPECT_GT(GetWindowTextLengthA(hwnd), 100000);
}

TEST_F(Editor, ReadOnlyAttribute)
{
    EXPECT_EQ(record->ops->getAttribute(record, AttrReadOnly), 0);
    record->ops->setAttribute(record, AttrReadOnly, 5);
    EXPECT_EQ(record->ops->getAttribute(record, AttrReadOnly), 1);
    EXPECT_NE(SendMessageA(hwnd, EM_GETOPTIONS, 0, 0) & ECO_READONLY, 0);
    EXPECT_EQ(record->ops->getAttribute(record, 1), 0);
    // The program still writes into a read-only editor.
    GadgetInsertItem(12, 0, "reading");
    EXPECT_EQ(Line(0), "reading");
    record->ops->setAttribute(record, AttrReadOnly, 0);
    EXPECT_EQ(record->ops->getAttribute(record, AttrReadOnly), 0);
}

CHARFORMATA DefaultFormat(HWND hwnd)
{
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    SendMessageA(hwnd, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return format;
}

TEST_F(Editor, FrontColourSurvivesAFontChange)
{
    constexpr std::int32_t Red = 0x000000C0;
    EXPECT_EQ(record->ops->setColor(record, ColorFront, Red), Red);
    EXPECT_EQ(record->ops->getColor(record, ColorFront), Red);

    const std::intptr_t font = FontOpen(20, "Courier New", 14, FontBold);
    GadgetApplyFont(12, font);
    CHARFORMATA format = DefaultFormat(hwnd);
    EXPECT_EQ(format.dwEffects & CFE_AUTOCOLOR, 0u);
    EXPECT_EQ(format.crTextColor, static_cast<COLORREF>(Red));

    record->ops->setColor(record, ColorFront, -1);
    GadgetApplyFont(12, -1);
    format = DefaultFormat(hwnd);
    EXPECT_EQ(format.dwEffects & CFE_AUTOCOLOR, static_cast<DWORD>(CFE_AUTOCOLOR));
    EXPECT_EQ(record->ops->getColor(record, ColorFront), -1);
    FontRelease(20);
}

TEST_F(Editor, BackColourIsStored)
{
    EXPECT_EQ(record->ops->getColor(record, ColorBack), -1);
    record->ops->setColor(record, ColorBack, 0x00E0FFFF);
    EXPECT_EQ(record->ops->getColor(record, ColorBack), 0x00E0FFFF);
    record->ops->setColor(record, ColorBack, -1);
    EXPECT_EQ(record->ops->getColor(record, ColorBack), -1);
    EXPECT_EQ(record->ops->setColor(record, 9, 1), 0);
    EXPECT_EQ(record->ops->getColor(record, 9), -1);
}

TEST_F(Editor, ThemedBorderTakesThePlaceOfTheClientEdge)
{
    if (!VisualStylesActive)
        GTEST_SKIP() << "visual styles are not active: Wine runs this program without a theme";
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    const auto* margins = static_cast<const std::int32_t*>(GetPropA(hwnd, "GX_ClientRect"));
    ASSERT_NE(margins, nullptr);
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    EXPECT_GT(margins[0], 0);
    EXPECT_GT(margins[1], 0);
    EXPECT_LE(client.right, (window.right - window.left) - margins[0] - margins[2]);
}

// The editor's border and the images follow one decision (its rows are the
// window layer's arithmetic tests).
TEST(EditorThemes, TheEditorTakesTheWindowLayersVisualStyleDecision)
{
    const VisualStyleFacts facts = GatherVisualStyleFacts();
    EXPECT_EQ(DetectThemes(), facts.commonControlsVersion);
    EXPECT_EQ(VisualStylesActive, VisualStylesDecision(facts));
}

TEST(EditorThemes, VersionIsReadOnceAndKept)
{
    const std::uint32_t version = DetectThemes();
    EXPECT_GE(version >> 16, 5u) << "common controls 5 or later";
    EXPECT_EQ(DetectThemes(), version);
}


// Text from the logger is shown as it stands. Wine inserts "{\rtf" text
// literally through EM_REPLACESEL, while Windows reads it as a document there
// and through WM_SETTEXT, so besides reading the text back, each operation is
// watched for text that reaches the control through a message that sniffs
// for rich text on some Windows version.
struct RichTextSniffingWatch {
    static inline WNDPROC next = nullptr;
    static inline std::vector<UINT> textMessages;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        const bool carriesText = message == EM_REPLACESEL || message == WM_SETTEXT || message == EM_SETTEXTEX;
        if (carriesText && lParam && *reinterpret_cast<const char*>(lParam))
            textMessages.push_back(message);
        return CallWindowProcW(next, window, message, wParam, lParam);
    }
};

TEST_F(Editor, RichTextMarkupIsShownLiterally)
{
    const std::string markup = "{\\rtf1\\ansi\\b bold\\b0}";
    struct Case {
        const char* what;
        void (*apply)(GadgetRecord*, const char*);
        Strings expected;
    };
    const std::vector<Case> cases = {
        {"insert on top", [](GadgetRecord*, const char* t) { GadgetInsertItem(12, 0, t); }, {markup, "old"}},
        {"append", [](GadgetRecord*, const char* t) { GadgetInsertItem(12, -1, t); }, {"old", markup}},
        {"whole text", [](GadgetRecord*, const char* t) { GadgetSetText(12, t); }, {markup}},
        {"one line", [](GadgetRecord* r, const char* t) { r->ops->setItemText(r, 0, t, 0); }, {markup}},
    };
    RichTextSniffingWatch::next = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RichTextSniffingWatch::Proc)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GadgetSetText(12, "old");
        RichTextSniffingWatch::textMessages.clear();
        c.apply(record, markup.c_str());
        EXPECT_EQ(Lines(), c.expected);
        EXPECT_EQ(RichTextSniffingWatch::textMessages, std::vector<UINT>{});
    }
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RichTextSniffingWatch::next));
}

TEST_F(Editor, TextLongerThanOneStreamBufferGoesInWhole)
{
    // The control takes streamed text in pieces of a few KiB.
    std::string text;
    for (int i = 0; text.size() < 70000; ++i)
        text += static_cast<char>('a' + i % 26);
    GadgetSetText(12, "top");
    GadgetInsertItem(12, -1, text.c_str());
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(Line(0), "top");
    const std::string back = Line(1);
    EXPECT_EQ(back.size(), text.size());
    EXPECT_TRUE(back == text) << "the text differs from byte " << std::mismatch(back.begin(), back.end(), text.begin(), text.end()).first - back.begin();
}

} // namespace
