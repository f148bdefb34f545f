#pragma once
// What every gadget test needs: the runtime started once per process and a
// toolkit window, opened for each test, that is the current gadget list.

#include "gadget/gadget.h"

#include "base/strings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

// The main heap and the runtime's start steps, once per process.
void StartGadgetRuntime();

// Dispatches every message already waiting.
void PumpMessages();

// The text a gadget reader left in the temporary buffer, from its result
// position up to TempLength; checks that the terminator is in place.
std::string TempText(std::int32_t position);

// The number of the window each GadgetWindowTest opens.
constexpr ObjectNumber TestWindow = 0;

class GadgetWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND parent = nullptr;
};

// GadgetGetText at the buffer's current end, copied out; the buffer is
// rewound afterwards.
std::string GadgetText(ObjectNumber number);
