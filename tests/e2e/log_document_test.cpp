// The log as a document, driven as a user drives it: its menu by the right
// button, the menu key and Shift+F10, the clipboard, and saving through the
// system's Save dialog down to the file's last byte, a refused save included.
#include "tests/e2e/client_fixture.h"
#include "tests/e2e/documents_files.h"
#include "tests/support/wine_detect.h"
#include "tools/simlogger/scenario.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

constexpr char ThreeReadings[] = "chunk 0 \"001 +21.5\\r\\n002 +21.7\\r\\n003 +21.9\\r\\n\\0\"\n";
const std::string Bom = "\xEF\xBB\xBF";

bool SetClipboardText(const std::wstring& text)
{
    const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block || !OpenClipboard(nullptr))
        return false;
    std::memcpy(GlobalLock(block), text.c_str(), size);
    GlobalUnlock(block);
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    return set;
}

std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

HWND FileNameField(HWND dialog)
{
    HWND combo = FindWindowExW(FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr), nullptr, L"ComboBox", nullptr);
    return FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

std::vector<fs::path> FolderEntries(const fs::path& folder)
{
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    return names;
}

// A folder of the test's own, holding an earlier log.txt; removed after.
class ScratchFolder {
public:
    ScratchFolder(const std::string& earlier)
        : path_(fs::temp_directory_path() / ("korvane-log-" + std::to_string(GetCurrentProcessId())))
    {
        fs::create_directory(path_);
        std::ofstream(file(), std::ios::binary) << earlier;
    }
    ~ScratchFolder()
    {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path file() const { return path_ / "log.txt"; }

private:
    fs::path path_;
};

class LogDocumentTest : public ClientTest {
protected:
    // The dumps' own files, which every dump here leaves.
    void TearDown() override
    {
        ClientTest::TearDown();
        for (const fs::path& file : DocumentsFiles("korvane-dump-"))
            fs::remove(file);
    }

    void ClickLog()
    {
        ASSERT_TRUE(PostClick(Gadget(LogEditor)));
        ASSERT_TRUE(WaitUntilIdle(window_));
    }

    void WaitForMenu() { ASSERT_TRUE(WaitUntil([&] { return ShownWindow(client_->id(), L"#32768"); })) << "no menu"; }

    // The menu's items in order: Copy, Select all, Save log as..., Clear log,
    // the last dump's chart.
    void ChooseItem(int position)
    {
        ASSERT_NO_FATAL_FAILURE(WaitForMenu());
        for (int down = 0; down < position; ++down)
            Keys({}, {VK_DOWN});
        Keys({}, {VK_RETURN});
        ASSERT_TRUE(WaitUntil([&] { return !ShownWindow(client_->id(), L"#32768"); })) << "the menu stayed open";
        ASSERT_TRUE(WaitUntilIdle(window_));
    }

    // The Save dialog once it takes keys: in front, with its loop running.
    HWND WaitForSaveDialog()
    {
        const std::optional<MessageBoxSeen> dialog = WaitForMessageBox(client_->id());
        if (!dialog || !FileNameField(dialog->window) || !WaitUntilIdle(dialog->window) ||
            !WaitUntil([&] { return GetForegroundWindow() == dialog->window; }))
            return nullptr;
        return dialog->window;
    }

    // Types the path over the dialog's file name, presses Enter, and answers
    // Yes to the question that comes before a file is replaced.
    void SaveOver(const fs::path& path)
    {
        HWND dialog = WaitForSaveDialog();
        ASSERT_NE(dialog, nullptr) << "no Save dialog";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(FileNameField(dialog), EM_SETSEL, 0, -1, SMTO_NORMAL, ShortWait, &ignored);
        Type(path.wstring());
        Keys({}, {VK_RETURN});
        HWND prompt = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (prompt = ShownWindow(client_->id(), L"#32770", dialog)) != nullptr; }))
            << "no question before replacing the file";
        ASSERT_TRUE(PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the Save dialog stayed open";
        // Back in its loop, the program has saved, or shows why not.
        ASSERT_TRUE(WaitUntilIdle(window_));
    }
};

TEST_F(LogDocumentTest, TheMenuAndKeysCopySelectAllAndClearTheLog)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + ThreeReadings));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    const std::wstring shown = L"001 +21.5\r\n002 +21.7\r\n003 +21.9\r\n\r\n";
    ASSERT_NO_FATAL_FAILURE(ClickLog());
    ASSERT_TRUE(SetClipboardText(L"earlier"));

    RECT client{};
    GetClientRect(Gadget(LogEditor), &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    ASSERT_TRUE(PostMessageW(Gadget(LogEditor), WM_RBUTTONDOWN, MK_RBUTTON, middle));
    ASSERT_TRUE(PostMessageW(Gadget(LogEditor), WM_RBUTTONUP, 0, middle));
    ASSERT_NO_FATAL_FAILURE(ChooseItem(2));
    Keys({VK_SHIFT}, {VK_F10});
    ASSERT_NO_FATAL_FAILURE(ChooseItem(1));
    EXPECT_EQ(ClipboardText(), shown);

    // The keys do the same while the log has the focus.
    ASSERT_NO_FATAL_FAILURE(ClickLog());
    ASSERT_TRUE(SetClipboardText(L"earlier"));
    Keys({VK_CONTROL}, {'A', 'C'});
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == shown; }));

    // Its last item charts the dump it shows; Esc closes the chart.
    Keys({}, {VK_APPS});
    ASSERT_NO_FATAL_FAILURE(ChooseItem(5));
    HWND chart = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (chart = ShownWindow(client_->id(), L"KorvaneChart")) != nullptr; }));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == chart; }));
    Keys({}, {VK_ESCAPE});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chart); }));

    ASSERT_NO_FATAL_FAILURE(ClickLog());
    Keys({}, {VK_APPS});
    ASSERT_NO_FATAL_FAILURE(ChooseItem(4));
    EXPECT_EQ(LogLines(), std::vector<std::string>{});
    EXPECT_EQ(Logger().ReceivedText(), "MTLD");
}

TEST_F(LogDocumentTest, CtrlSWithTheDefaultsSavesTheLogInDocumentsByteForByte)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + ThreeReadings));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    // A Cyrillic line, put on top of the log from the clipboard: keys typed
    // under the tests' Western code page reach the program's ANSI window as
    // question marks.
    ASSERT_NO_FATAL_FAILURE(ClickLog());
    ASSERT_TRUE(SetClipboardText(L"\u0422\u0435\u043c\u043f\u0435\u0440\u0430\u0442\u0443\u0440\u0430 "
                                 L"\u0432 \u043d\u043e\u0440\u043c\u0435\r\n"));
    Keys({VK_CONTROL}, {VK_HOME, 'V'});
    ASSERT_TRUE(WaitUntil([&] { return LogLines().size() == 5; }));
    // Ctrl+S from a button, not from the log.
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 7));
    Keys({VK_CONTROL}, {'S'});

    HWND dialog = WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr) << "no Save dialog";
    const std::string name = Text(FileNameField(dialog));
    EXPECT_TRUE(std::regex_match(name, std::regex("korvane-20[0-9]{6}-[0-9]{4}\\.txt"))) << name;
    const fs::path saved = Documents() / name;
    fs::remove(saved);
    Keys({}, {VK_RETURN});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(FileBytes(saved), Bom + "+21.5\r\n"
                                      "\xD0\xA2\xD0\xB5\xD0\xBC\xD0\xBF\xD0\xB5\xD1\x80\xD0\xB0\xD1\x82\xD1\x83\xD1"
                                      "\x80\xD0\xB0 \xD0\xB2 \xD0\xBD\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB5\r\n"
                                      "001 +21.5\r\n002 +21.7\r\n003 +21.9\r\n\r\n");
    const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id(), 0);
    EXPECT_EQ(box ? box->text : L"", L"") << "a requester after saving";
    fs::remove(saved);
}

// The logger's text is Windows-1251 whatever the machine's code page: on a
// Western system its Cyrillic must still read, and be saved, as Cyrillic.
TEST_F(LogDocumentTest, TheLoggersCyrillicIsShownAndSavedAsCyrillicOnAWesternSystem)
{
    ASSERT_NE(GetACP(), 1251u) << "this test is about a machine whose code page is not Cyrillic";
    // "Темп +21.5" and, in the dump, "Норма", in Windows-1251.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger("reply M \"120\"\nreply T \"\\xD2\\xE5\\xEC\\xEF +21.5\"\n"
                                                  "reply L \"2\"\nchunk 0 \"\\xCD\\xEE\\xF0\\xEC\\xE0\\0\"\n"));
    // Read back as wide text from the field itself: a field that went through
    // the Western code page would give question marks, or, taken as that
    // code page's bytes, "\u00d2\u00e5\u00ec\u00ef".
    EXPECT_EQ(WideText(Gadget(ReadingField)), L"\u0422\u0435\u043c\u043f +21.5");
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 7));

    ScratchFolder folder("the earlier log\r\n");
    ASSERT_NO_FATAL_FAILURE(ClickLog());
    Keys({}, {VK_APPS});
    ASSERT_NO_FATAL_FAILURE(ChooseItem(3));
    ASSERT_NO_FATAL_FAILURE(SaveOver(folder.file()));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(FileBytes(folder.file()), Bom + "\xD0\x9D\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\r\n"
                                              "\xD0\xA2\xD0\xB5\xD0\xBC\xD0\xBF +21.5\r\n");
}

TEST_F(LogDocumentTest, SavingOverAnEarlierFileReplacesItWithA64KiBLog)
{
    constexpr int Readings = 5462; // twelve bytes each: 64 KiB and a little more
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + "readings 0 " +
                                                  std::to_string(Readings) + "\nchunk 0 \"\\0\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    ScratchFolder folder(std::string(100000, 'x'));
    ASSERT_NO_FATAL_FAILURE(ClickLog());
    Keys({}, {VK_APPS});
    ASSERT_NO_FATAL_FAILURE(ChooseItem(3));
    ASSERT_NO_FATAL_FAILURE(SaveOver(folder.file()));

    EXPECT_TRUE(NoMessageBox(client_->id()));
    const std::string expected = Bom + StoredReadings(Readings) + "\r\n";
    ASSERT_GE(expected.size(), 65536u);
    EXPECT_TRUE(FileBytes(folder.file()) == expected);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<fs::path>{"log.txt"});
}

TEST_F(LogDocumentTest, ARefusedSaveShowsWhyAndKeepsTheEarlierFileWhole)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + ThreeReadings));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    const std::string earlier = "the earlier log\r\n";
    ScratchFolder folder(earlier);
    // A read-only folder refuses a new file, except to root, for whom Wine's
    // files are all writable: the earlier file is also held open without
    // sharing, as another program may hold it, which refuses replacing it.
    ASSERT_TRUE(SetFileAttributesW(folder.path().c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE held = CreateFileW(folder.file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::vector<std::string> lines = LogLines();

    Keys({VK_CONTROL}, {'S'});
    ASSERT_NO_FATAL_FAILURE(SaveOver(folder.file()));
    const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id());
    ASSERT_TRUE(box.has_value()) << "no requester";
    EXPECT_EQ(box->title, ErrorTitle);
    // "Не удалось сохранить журнал в файл", the file, then the system's reason.
    const std::wstring heading = L"\u041d\u0435 \u0443\u0434\u0430\u043b\u043e\u0441\u044c \u0441\u043e\u0445\u0440\u0430"
                                 L"\u043d\u0438\u0442\u044c \u0436\u0443\u0440\u043d\u0430\u043b \u0432 \u0444\u0430\u0439\u043b\n" +
                                 folder.file().wstring() + L"\n";
    EXPECT_EQ(box->text.substr(0, heading.size()), heading);
    EXPECT_GT(box->text.size(), heading.size()) << "no reason given";
    ASSERT_TRUE(DismissMessageBox(*box));
    CloseHandle(held);

    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(FileBytes(folder.file()), earlier);
    std::vector<fs::path> entries = FolderEntries(folder.path());
    // Wine's ReplaceFileW leaves an empty file of its own ("rf" and a number)
    // when the target is held; the program's own new file must be gone.
    if (RunningOnWine())
        std::erase_if(entries, [](const fs::path& name) { return name.string().starts_with("rf"); });
    EXPECT_EQ(entries, std::vector<fs::path>{"log.txt"});
    EXPECT_EQ(LogLines(), lines);
}

} // namespace
