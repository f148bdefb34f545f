#pragma once
// One korvane.exe per test, with simulated loggers on the ports the test
// names (COM2 unless it says otherwise).

#include "app/client/client_gadgets.h"
#include "tests/e2e/client_driver.h"
#include "tests/e2e/documents_files.h"
#include "tests/support/simulated_logger.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

// A logger with plain fixed answers: memory 120, reading +21.5, interval 2.
inline constexpr char PlainLogger[] = "reply M \"120\"\nreply T \"+21.5\"\nreply L \"2\"\n";

// The requester texts as the user reads them.
inline const std::wstring ErrorTitle = L"\u041e\u0448\u0438\u0431\u043a\u0430"; // Ошибка
inline const std::wstring NoOpenPort =                                          // Нет открытого порта
    L"\u041d\u0435\u0442 \u043e\u0442\u043a\u0440\u044b\u0442\u043e\u0433\u043e \u043f\u043e\u0440\u0442\u0430";
inline const std::wstring PortOpenFailed = // Не удалось открыть порт, two spaces
    L"\u041d\u0435 \u0443\u0434\u0430\u043b\u043e\u0441\u044c \u043e\u0442\u043a\u0440\u044b\u0442\u044c "
    L"\u043f\u043e\u0440\u0442  ";
inline const std::wstring LoggerNotAnswering = // Логгер не отвечает
    L"\u041b\u043e\u0433\u0433\u0435\u0440 \u043d\u0435 \u043e\u0442\u0432\u0435\u0447\u0430\u0435\u0442";

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int port = 1; port <= 4; ++port)
            RemovePortLink(port);
        ForgetRememberedPort();
    }

    void TearDown() override
    {
        if (client_ && window_ && !client_->WaitForExit(0)) {
            PostClose(window_);
            client_->WaitForExit(ShortWait);
        }
        client_.reset();
        loggers_.clear();
    }

    void StartLogger(const std::string& scenario, int port = 2)
    {
        auto logger = std::make_unique<SimulatedLogger>("COM" + std::to_string(port), scenario);
        ASSERT_TRUE(logger->ready()) << logger->failure();
        loggers_[port] = std::move(logger);
    }

    SimulatedLogger& Logger(int port = 2) { return *loggers_.at(port); }

    // Starts the program (KORVANE_EXE unless a Windows path names another)
    // and waits for its window and gadgets.
    void StartClient(const std::string& arguments = "", const std::string& windowsProgram = "")
    {
        client_ = std::make_unique<ClientProcess>(arguments, windowsProgram);
        ASSERT_TRUE(client_->started()) << client_->failure();
        window_ = client_->WaitForMainWindow();
        ASSERT_NE(window_, nullptr) << "the window \"Korvane\" with its gadgets did not appear";
    }

    // Starts the program against a logger on COM2 and waits until the
    // start-up queries are answered and shown.
    void StartClientWithLogger(const std::string& scenario, const std::string& windowsProgram = "")
    {
        ASSERT_NO_FATAL_FAILURE(StartLogger(scenario));
        ASSERT_NO_FATAL_FAILURE(StartClient("", windowsProgram));
        ASSERT_TRUE(Logger().WaitForReceived(3, LongWait)) << "received: " << Logger().ReceivedText();
        ASSERT_TRUE(WaitUntilIdle(window_));
    }

    HWND Gadget(ObjectNumber number) { return GadgetWindow(window_, static_cast<int>(number)); }
    std::string TextOf(int gadget) { return Text(Gadget(gadget)); }
    std::vector<std::string> LogLines() { return Lines(TextOf(LogEditor)); }

    // Presses the button and waits until the logger on the port has received
    // `total` bytes in all and the command is over (a dump too).
    void Press(int button, std::size_t total, int port = 2)
    {
        ASSERT_TRUE(PostClick(Gadget(button)));
        ASSERT_TRUE(Logger(port).WaitForReceived(total, LongWait)) << "received: " << Logger(port).ReceivedText();
        ASSERT_TRUE(WaitForDumpEnd());
    }

    // The window answers while a dump runs; a dump is over once the controls
    // are back and its button reads "Dump" again.
    bool WaitForDumpEnd(DWORD timeout = LongWait)
    {
        return WaitUntil([&] { return IsWindowEnabled(Gadget(ReadButton)) && TextOf(DumpButton) == "Dump"; },
                         timeout) &&
               WaitUntilIdle(window_);
    }

    // Expects one requester with this text, and closes it.
    void ExpectRequester(const std::wstring& text)
    {
        const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id());
        ASSERT_TRUE(box.has_value()) << "no requester";
        EXPECT_EQ(box->title, ErrorTitle);
        EXPECT_EQ(box->text, text);
        // A stop sign and one OK button.
        EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
        EXPECT_TRUE(box->stopIcon);
        ASSERT_TRUE(DismissMessageBox(*box));
    }

    void ExpectExitCodeZeroOnClose()
    {
        ASSERT_TRUE(PostClose(window_));
        const std::optional<DWORD> code = client_->WaitForExit();
        ASSERT_TRUE(code.has_value()) << "the program did not end";
        EXPECT_EQ(*code, 0u);
    }

    std::unique_ptr<ClientProcess> client_;
    HWND window_ = nullptr;
    std::map<int, std::unique_ptr<SimulatedLogger>> loggers_;
};

// A test of watches, whose record files are gone before it and after it.
class WatchFilesTest : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        for (const std::filesystem::path& file : WatchFiles())
            std::filesystem::remove(file);
    }

    void TearDown() override
    {
        ClientTest::TearDown();
        for (const std::filesystem::path& file : WatchFiles())
            std::filesystem::remove(file);
    }
};
