// Fonts as numbered objects: heights for the display, styles, and that every
// handle is deleted exactly when its number lets go of it.

#include "gadget_test_support.h"

#include "gadget/font.h"

namespace {

int DisplayDpi()
{
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    DeleteDC(dc);
    return dpi;
}

LOGFONTA Describe(std::intptr_t font)
{
    LOGFONTA description{};
    EXPECT_EQ(GetObjectA(reinterpret_cast<HFONT>(font), sizeof(description), &description),
              static_cast<int>(sizeof(description)));
    return description;
}

bool IsLiveFont(std::intptr_t font) { return GetObjectType(reinterpret_cast<HGDIOBJ>(font)) == OBJ_FONT; }

class Fonts : public ::testing::Test {
protected:
    void SetUp() override { StartGadgetRuntime(); }
};

TEST_F(Fonts, HeightIsTheCharacterHeightAtTheDisplaysResolution)
{
    const int dpi = DisplayDpi();
    ASSERT_GT(dpi, 0);
    for (const std::int32_t points : {8, 12, 20}) {
        const std::intptr_t font = FontOpen(1, "Arial", points);
        ASSERT_NE(font, 0);
        EXPECT_EQ(Describe(font).lfHeight, -MulDiv(points, dpi, 72)) << points << " points";
    }
    FontRelease(1);
}

struct StyleCase {
    const char* name;
    std::int32_t flags;
    LONG weight;
    BYTE italic;
    BYTE underline;
    BYTE strikeOut;
    BYTE quality;
};

class FontStyles : public Fonts, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(FontStyles, FlagsBecomeTheFontsStyle)
{
    const StyleCase& c = GetParam();
    const std::intptr_t font = FontOpen(2, "Arial", 12, c.flags);
    ASSERT_NE(font, 0);
    const LOGFONTA description = Describe(font);
    EXPECT_EQ(description.lfWeight, c.weight);
    EXPECT_EQ(description.lfItalic, c.italic);
    EXPECT_EQ(description.lfUnderline, c.underline);
    EXPECT_EQ(description.lfStrikeOut, c.strikeOut);
    EXPECT_EQ(description.lfQuality, c.quality);
    EXPECT_EQ(description.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(description.lfFaceName, "Arial");
    FontRelease(2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FontStyles,
    ::testing::Values(StyleCase{"Plain", 0, FW_NORMAL, 0, 0, 0, DEFAULT_QUALITY},
                      StyleCase{"Bold", FontBold, FW_BOLD, 0, 0, 0, DEFAULT_QUALITY},
                      StyleCase{"Italic", FontItalic, FW_NORMAL, 1, 0, 0, DEFAULT_QUALITY},
                      StyleCase{"Underline", FontUnderline, FW_NORMAL, 0, 1, 0, DEFAULT_QUALITY},
                      StyleCase{"StrikeOut", FontStrikeOut, FW_NORMAL, 0, 0, 1, DEFAULT_QUALITY},
                      StyleCase{"HighQuality", FontHighQuality, FW_NORMAL, 0, 0, 0, PROOF_QUALITY},
                      StyleCase{"Everything", FontBold | FontItalic | FontUnderline | FontStrikeOut | FontHighQuality,
                                FW_BOLD, 1, 1, 1, PROOF_QUALITY},
                      StyleCase{"OtherBitsIgnored", 0x7000 | 0x1 | 0x40, FW_NORMAL, 0, 0, 0, DEFAULT_QUALITY}),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return std::string(info.param.name); });

TEST_F(Fonts, ReusingANumberDeletesTheOldFont)
{
    const std::intptr_t first = FontOpen(3, "Arial", 10);
    ASSERT_TRUE(IsLiveFont(first));
    const std::intptr_t second = FontOpen(3, "Courier New", 10, FontBold);
    EXPECT_FALSE(IsLiveFont(first));
    EXPECT_TRUE(IsLiveFont(second));
    FontRelease(3);
    EXPECT_FALSE(IsLiveFont(second));
    FontRelease(3); // the number is free now: nothing happens
}

TEST_F(Fonts, AnyNumberGivesAnIdentifierThatReleaseAccepts)
{
    const std::intptr_t id = FontOpen(AnyNumber, "Arial", 11);
    ASSERT_NE(id, 0);
    // The identifier names a record, not a font.
    EXPECT_NE(GetObjectType(reinterpret_cast<HGDIOBJ>(id)), static_cast<DWORD>(OBJ_FONT));
    const HFONT handle = *reinterpret_cast<HFONT*>(id);
    EXPECT_TRUE(IsLiveFont(reinterpret_cast<std::intptr_t>(handle)));
    FontRelease(id);
    EXPECT_FALSE(IsLiveFont(reinterpret_cast<std::intptr_t>(handle)));
}

TEST_F(Fonts, UnknownFaceIsSubstituted)
{
    const std::intptr_t font = FontOpen(4, "No Such Face Anywhere", 12);
    EXPECT_TRUE(IsLiveFont(font));
    FontRelease(4);
}

TEST_F(Fonts, StopDeletesEveryFontStillOpen)
{
    const std::intptr_t numbered = FontOpen(5, "Arial", 12);
    const std::intptr_t distant = FontOpen(100, "Arial", 14, FontBold);
    const std::intptr_t id = FontOpen(AnyNumber, "Arial", 9);
    const HFONT anyHandle = *reinterpret_cast<HFONT*>(id);
    FontLibraryStop();
    EXPECT_FALSE(IsLiveFont(numbered));
    EXPECT_FALSE(IsLiveFont(distant));
    EXPECT_FALSE(IsLiveFont(reinterpret_cast<std::intptr_t>(anyHandle)));
    FontLibraryStop(); // with no fonts: nothing to do

    // The library stays usable.
    const std::intptr_t again = FontOpen(5, "Arial", 12);
    EXPECT_TRUE(IsLiveFont(again));
    FontRelease(5);
}

} // namespace
