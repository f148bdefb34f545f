#pragma once
// Every protocol and dump test starts from program start: the heaps and the
// string service up, all application state empty, the scripted line at
// virtual time 0 with the port open on it, and the effects recorded.

#include "app/logger_state.h"
#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"
#include "effect_recorder.h"
#include "scripted_line.h"

#include <gtest/gtest.h>

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!MainHeap)
            MainHeap = HeapOpen();
        if (!StringHeap)
            StringServiceStart();
        if (!MemoryHeap)
            MemoryServiceStart();
        LineReset();
        LoggerStateReset();
        CurrentPort = ScriptedPort();
        RecordEffects();
    }

    void TearDown() override { CheckLineUse(); }

    // For tables of cases: checks the case just run and starts the next one
    // from program start.
    void Restart()
    {
        CheckLineUse();
        SetUp();
    }

private:
    static void CheckLineUse()
    {
        EXPECT_EQ(LineMisdirectedCalls(), 0) << "the line was used through some other handle";
        EXPECT_EQ(TempLength, 0) << "a string statement left text in the temporary buffer";
    }
};
