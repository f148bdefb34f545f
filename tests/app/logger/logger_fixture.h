#pragma once
// Every protocol and dump test starts from program start: the heaps and the
// string service up, all application state empty, the scripted line at
// virtual time 0 with the port open on it, and the effects recorded.

#include "app/logger/logger_state.h"
#include "effect_recorder.h"
#include "logger_heaps.h"
#include "scripted_line.h"

#include <gtest/gtest.h>

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartLoggerHeaps();
        LineReset();
        LoggerStateReset();
        CurrentPort = ScriptedPort();
        RecordEffects(LineNow);
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
