#include "gadget_test_support.h"

#include "gadget/runtime.h"
#include "window/window.h"

#include "base/heap.h"
#include "base/strings.h"

namespace {

constexpr std::uint32_t TestWindowFlags = WINDOW_FIXED_CENTERED;

} // namespace

void StartGadgetRuntime()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    MainHeap = HeapOpen();
    RuntimeStart();
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string TempText(std::int32_t position)
{
    EXPECT_LE(position, TempLength);
    EXPECT_EQ(TempBuffer[TempLength], '\0') << "the text is not terminated at TempLength";
    return std::string(TempBuffer + position, static_cast<std::size_t>(TempLength - position));
}

std::string GadgetText(ObjectNumber number)
{
    const std::int32_t start = TempLength;
    const char* text = GadgetGetText(number, start);
    EXPECT_EQ(text, TempBuffer + start);
    std::string result = TempText(start);
    TempSetLength(start);
    return result;
}

void GadgetWindowTest::SetUp()
{
    StartGadgetRuntime();
    WindowOpen(TestWindow, 0, 0, 640, 480, "gadget test", TestWindowFlags);
    parent = WindowHandle(TestWindow);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(GadgetList->parent, parent);
    PumpMessages();
}

void GadgetWindowTest::TearDown()
{
    WindowClose(TestWindow);
    PumpMessages();
}
