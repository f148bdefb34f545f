#pragma once
// A serial line whose behaviour comes from the fuzzer's bytes, linked in place
// of the serial library and the delay. Each call the program makes takes its
// next decision from the input:
//
//   SleepMilliseconds  what arrives meanwhile: nothing, a burst of the input's
//                      own bytes (zero bytes and 0xFF included), or a long run
//                      of one byte value (a flood, larger than one read);
//   PortInputCount     the truth, the truth off by a little (a count the read
//                      then does not deliver, or bytes left unreported), zero
//                      although bytes wait, or any value from 0 up;
//   PortRead           everything asked for that waits, or a short read (none
//                      at all included). A failed read, like a count below
//                      zero, says that the port went away: not played here;
//                      nor are line errors.
//   PortDiscardInput   throws away what waits, as the driver does.
//
// Once the input is exhausted the line tells the truth and stays silent. It
// records every poll, read, write and sleep, and fails the run at once when
// the program reads more than it was told was waiting, uses another handle,
// or keeps sleeping on a line that has gone quiet for good.

#include "serial/port.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzInput;

// One PortInputCount call and the read, if any, that followed it.
struct LinePoll {
    std::int32_t reported = 0;
    bool read = false;
    std::int32_t requested = 0;
    std::string delivered;
};

// Starts a run: nothing waiting, nothing recorded; decisions come from input,
// which must outlive the run.
void FuzzLineStart(FuzzInput* input);
// The one handle the line answers to; its high half is set on 64-bit words.
PortHandle FuzzLinePort();

// Forgets what was recorded (between two sequences); what waits stays.
void FuzzLineClearRecord();
const std::vector<LinePoll>& FuzzLinePolls();
const std::string& FuzzLineWritten();
const std::vector<std::int32_t>& FuzzLineSleeps();
