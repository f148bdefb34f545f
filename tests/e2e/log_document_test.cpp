// The log as a document, driven as a user drives it: its menu by the right
// button, the menu key and Shift+F10, the clipboard, and saving through the
// system's Save dialog down to the file's last byte, a refused save included.
#include "tests/e2e/client_fixture.h"
#include "tools/simlogger/scenario.h"

#include <shlobj.h>

#include <cstring>
#include <regex>

namespace {

constexpr char ThreeReadings[] = "chunk 0 \"001 +21.5\\r\\n002 +21.7\\r\\n003 +21.9\\r\\n\\0\"\n";
const std::string Bom = "\xEF\xBB\xBF";

// Keys pressed and released in order while the modifiers are held; they reach
// whichever window has the focus, as a keyboard's would.
void Keys(std::initializer_list<WORD> held, std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags, wchar_t character = 0) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = character;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD modifier : held)
        add(modifier, 0);
    for (WORD key : keys) {
        add(key, 0);
        add(key, KEYEVENTF_KEYUP);
    }
    for (WORD modifier : held)
        add(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Type(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool SetClipboardText(const std::wstring& text)
{
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), size);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_UNICODETEXT, block))
            GlobalFree(block);
    }
    CloseClipboard();
    return block != nullptr;
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

struct WindowSearch {
    DWORD process;
    const char* className;
    HWND other; // a window that does not count
    HWND found;
};

HWND FindProcessWindow(DWORD process, const char* className, HWND other = nullptr)
{
    WindowSearch search{process, className, other, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (owner != s->process || window == s->other || !IsWindowVisible(window) ||
                lstrcmpA(name, s->className) != 0)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool MenuShown(DWORD process) { return FindProcessWindow(process, "#32768") != nullptr; }

// The Save dialog's file name field.
HWND FileNameField(HWND dialog)
{
    HWND combo = FindWindowExW(FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr), nullptr, L"ComboBox", nullptr);
    return FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

std::string FileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<no file>";
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool done = file != INVALID_HANDLE_VALUE &&
                      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                      written == bytes.size();
    CloseHandle(file);
    return done;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (lstrcmpW(entry.cFileName, L".") != 0 && lstrcmpW(entry.cFileName, L"..") != 0)
            names.push_back(entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

// A folder of its own under the temporary folder, emptied and removed after.
class ScratchFolder {
public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"korvane-log-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder()
    {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        for (const std::wstring& name : FolderEntries(path_))
            DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

class LogDocumentTest : public ClientTest {
protected:
    void OpenMenuWithRightButton()
    {
        HWND log = Gadget(Log);
        RECT client{};
        GetClientRect(log, &client);
        const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
        ASSERT_TRUE(PostMessageW(log, WM_RBUTTONDOWN, MK_RBUTTON, middle));
        ASSERT_TRUE(PostMessageW(log, WM_RBUTTONUP, 0, middle));
        ASSERT_TRUE(WaitUntil([&] { return MenuShown(client_->id()); })) << "no menu on the right button";
    }

    void OpenMenuWithKey(std::initializer_list<WORD> held, WORD key)
    {
        Keys(held, {key});
        ASSERT_TRUE(WaitUntil([&] { return MenuShown(client_->id()); })) << "no menu on key " << key;
    }

    // The menu's items in order: Copy, Select all, Save log as..., Clear log.
    void ChooseItem(int position)
    {
        std::vector<WORD> keys(static_cast<std::size_t>(position), VK_DOWN);
        for (WORD key : keys)
            Keys({}, {key});
        Keys({}, {VK_RETURN});
        ASSERT_TRUE(WaitUntil([&] { return !MenuShown(client_->id()); })) << "the menu stayed open";
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

    // Types the path into the dialog's file name field over what it shows,
    // and presses Enter.
    void SaveAs(const std::wstring& path, HWND& dialog)
    {
        dialog = WaitForSaveDialog();
        ASSERT_NE(dialog, nullptr) << "no Save dialog";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(FileNameField(dialog), EM_SETSEL, 0, -1, SMTO_NORMAL, ShortWait, &ignored);
        Type(path);
        Keys({}, {VK_RETURN});
    }

    // The question the dialog asks before it replaces a file, answered Yes.
    void ConfirmReplace(HWND dialog)
    {
        HWND prompt = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (prompt = FindProcessWindow(client_->id(), "#32770", dialog)) != nullptr; }))
            << "no question before replacing the file";
        ASSERT_TRUE(PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the Save dialog stayed open";
    }
};

TEST_F(LogDocumentTest, TheMenuAndKeysCopySelectAllAndClearTheLog)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + ThreeReadings));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    const std::wstring shown = L"001 +21.5\r\n002 +21.7\r\n003 +21.9\r\n\r\n";
    ASSERT_TRUE(PostClick(Gadget(Log)));
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(SetClipboardText(L"earlier"));

    ASSERT_NO_FATAL_FAILURE(OpenMenuWithRightButton());
    ASSERT_NO_FATAL_FAILURE(ChooseItem(2));
    ASSERT_NO_FATAL_FAILURE(OpenMenuWithKey({VK_SHIFT}, VK_F10));
    ASSERT_NO_FATAL_FAILURE(ChooseItem(1));
    EXPECT_EQ(ClipboardText(), shown);

    // The keys do the same while the log has the focus.
    ASSERT_TRUE(PostClick(Gadget(Log)));
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(SetClipboardText(L"earlier"));
    Keys({VK_CONTROL}, {'A', 'C'});
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == shown; }));

    ASSERT_NO_FATAL_FAILURE(OpenMenuWithKey({}, VK_APPS));
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
    ASSERT_TRUE(PostClick(Gadget(Log)));
    ASSERT_TRUE(WaitUntilIdle(window_));
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
    wchar_t documents[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
    const std::wstring saved = std::wstring(documents) + L"\\" + std::wstring(name.begin(), name.end());
    DeleteFileW(saved.c_str());
    Keys({}, {VK_RETURN});

    ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesW(saved.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(FileBytes(saved), Bom + "+21.5\r\n"
                                      "\xD0\xA2\xD0\xB5\xD0\xBC\xD0\xBF\xD0\xB5\xD1\x80\xD0\xB0\xD1\x82\xD1\x83\xD1"
                                      "\x80\xD0\xB0 \xD0\xB2 \xD0\xBD\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB5\r\n"
                                      "001 +21.5\r\n002 +21.7\r\n003 +21.9\r\n\r\n");
    EXPECT_TRUE(NoMessageBox(client_->id()));
    DeleteFileW(saved.c_str());
}

TEST_F(LogDocumentTest, SavingOverAnEarlierFileReplacesItWithA64KiBLog)
{
    constexpr int Readings = 5462; // twelve bytes each: 64 KiB and a little more
    const std::string stored = StoredReadings(Readings);
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + "readings 0 " +
                                                  std::to_string(Readings) + "\nchunk 0 \"\\0\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    ScratchFolder folder;
    const std::wstring target = folder.path() + L"\\log.txt";
    ASSERT_TRUE(WriteBytes(target, std::string(100000, 'x')));

    ASSERT_TRUE(PostClick(Gadget(Log)));
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_NO_FATAL_FAILURE(OpenMenuWithKey({}, VK_APPS));
    ASSERT_NO_FATAL_FAILURE(ChooseItem(3));
    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(SaveAs(target, dialog));
    ASSERT_NO_FATAL_FAILURE(ConfirmReplace(dialog));

    // Back in its loop, the program has saved: the file is not read before,
    // so that no reader stands in the way of the replacement.
    ASSERT_TRUE(WaitUntilIdle(window_));
    const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id(), 0);
    EXPECT_FALSE(box.has_value()) << std::string(box->text.begin(), box->text.end());
    const std::string expected = Bom + stored + "\r\n";
    ASSERT_GE(expected.size(), 65536u);
    EXPECT_TRUE(FileBytes(target) == expected);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{L"log.txt"});
}

TEST_F(LogDocumentTest, ARefusedSaveShowsWhyAndKeepsTheEarlierFileWhole)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(PlainLogger) + ThreeReadings));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    ScratchFolder folder;
    const std::wstring target = folder.path() + L"\\log.txt";
    const std::string earlier = "the earlier log\r\n";
    ASSERT_TRUE(WriteBytes(target, earlier));
    // A read-only folder refuses a new file, except to root, for whom Wine's
    // files are all writable: the earlier file is also held open by this
    // process without sharing, as another program would hold it, which
    // refuses replacing it to anyone.
    ASSERT_TRUE(SetFileAttributesW(folder.path().c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::vector<std::string> lines = LogLines();

    Keys({VK_CONTROL}, {'S'});
    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(SaveAs(target, dialog));
    ASSERT_NO_FATAL_FAILURE(ConfirmReplace(dialog));
    const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id());
    ASSERT_TRUE(box.has_value()) << "no requester";
    EXPECT_EQ(box->title, ErrorTitle);
    // "Не удалось сохранить журнал в файл", the file, the system's reason.
    const std::wstring heading = L"\u041d\u0435 \u0443\u0434\u0430\u043b\u043e\u0441\u044c \u0441\u043e\u0445\u0440\u0430"
                                 L"\u043d\u0438\u0442\u044c \u0436\u0443\u0440\u043d\u0430\u043b \u0432 \u0444\u0430\u0439\u043b\n";
    EXPECT_EQ(box->text.substr(0, heading.size() + target.size() + 1), heading + target + L"\n");
    EXPECT_GT(box->text.size(), heading.size() + target.size() + 1) << "no reason given";
    ASSERT_TRUE(DismissMessageBox(*box));
    CloseHandle(held);

    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(FileBytes(target), earlier);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{L"log.txt"});
    EXPECT_EQ(LogLines(), lines);
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

} // namespace
