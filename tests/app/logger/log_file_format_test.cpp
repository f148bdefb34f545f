// The saved log's bytes: what a spreadsheet program or a text editor reads
// back must be the log's text, line for line.
#include "app/logger/log_file_format.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

namespace {

std::string Encoded(const std::u16string& text)
{
    const std::size_t size = EncodeLogFile(text.data(), text.size(), nullptr);
    std::string bytes(size + 1, '#');
    EXPECT_EQ(EncodeLogFile(text.data(), text.size(), reinterpret_cast<unsigned char*>(bytes.data())), size);
    EXPECT_EQ(bytes.back(), '#') << "written past the counted size";
    bytes.pop_back();
    return bytes;
}

const std::string Bom = "\xEF\xBB\xBF";

TEST(LogFileFormat, EveryLineEndBecomesOneCrLfAndNothingElseChanges)
{
    EXPECT_EQ(Encoded(u""), Bom);
    // The control's paragraph mark (CR), a pasted CR LF and a lone LF are
    // each one line end; blank lines and a last line end stay.
    EXPECT_EQ(Encoded(u"001 +21.5\r002 +21.7\r\n\n\r\nlast\r"),
              Bom + "001 +21.5\r\n002 +21.7\r\n\r\n\r\nlast\r\n");
    EXPECT_EQ(Encoded(u"\r\r\n\n\r"), Bom + "\r\n\r\n\r\n\r\n");
}

TEST(LogFileFormat, TextIsUtf8WithPairsJoinedAndStrayHalvesReplaced)
{
    // Cyrillic, a two-byte and a three-byte sign, a character beyond the
    // basic plane, then a half pair in the middle and one at the very end.
    EXPECT_EQ(Encoded(u"\u0416\u0443\u0440\u043d\u0430\u043b \u00b0C \u20ac \U0001F321"),
              Bom + "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB \xC2\xB0" "C \xE2\x82\xAC \xF0\x9F\x8C\xA1");
    EXPECT_EQ(Encoded(std::u16string{u'a', char16_t(0xDC00), u'b', char16_t(0xD800), u'\r', char16_t(0xD83C)}),
              Bom + "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\r\n\xEF\xBF\xBD");
}

TEST(LogFileFormat, TextAppendedLaterHasTheSameBytesWithoutTheMark)
{
    const std::u16string text = u"\u0416 1\r2\n";
    std::string bytes(EncodeLogText(text.data(), text.size(), nullptr), '#');
    EncodeLogText(text.data(), text.size(), reinterpret_cast<unsigned char*>(bytes.data()));
    EXPECT_EQ(Bom + bytes, Encoded(text));
}

TEST(LogFileFormat, CodePage1251BytesBecomeTheirCharacters)
{
    // "Темп. 19,5 °C", the euro sign and the one byte the code page leaves open.
    const std::string text = "\xd2\xe5\xec\xef. 19,5 \xb0\x43 \x88\x98";
    std::string utf8(Utf8From1251(text.data(), text.size(), nullptr), '#');
    EXPECT_EQ(Utf8From1251(text.data(), text.size(), utf8.data()), utf8.size());
    EXPECT_EQ(utf8, "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf. 19,5 \xc2\xb0\x43 \xe2\x82\xac\xc2\x98");
#ifdef _WIN32
    // Every byte as the system itself reads the code page.
    for (int byte = 0; byte < 256; ++byte) {
        const char one = static_cast<char>(byte);
        wchar_t system = 0;
        ASSERT_EQ(MultiByteToWideChar(1251, 0, &one, 1, &system, 1), 1);
        EXPECT_EQ(CharacterFrom1251(static_cast<unsigned char>(byte)), static_cast<char16_t>(system)) << byte;
    }
#endif
}

} // namespace
