#pragma once
// A scripted serial line on a virtual clock, linked into the tests in place of
// the serial library and the delay (its clock included). The script says which bytes arrive at
// which virtual time, and how the logger answers each command; the line
// records every byte written, every sleep and every poll, each with its time.
// Sleeping is the only thing that moves the clock.

#include "serial/port.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The one handle the line answers to. On 64-bit words its high half is set,
// so a handle squeezed into 32 bits misses the line.
PortHandle ScriptedPort();

// Thrown by the delay once the virtual clock passes the run-away limit: a
// loop that never ends fails its test instead of hanging it.
struct LineRunaway : std::runtime_error {
    LineRunaway() : std::runtime_error("the virtual clock ran past the run-away limit") {}
};

struct WrittenByte {
    std::int64_t at;
    unsigned char byte;
};

struct LineRead {
    std::int64_t at;
    std::int32_t requested;
    std::int32_t delivered;
};

// Clock at 0, nothing scheduled, waiting or recorded; run-away limit one
// virtual hour.
void LineReset();
std::int64_t LineNow();
void LineSetRunawayLimit(std::int64_t milliseconds);

// The bytes arrive together at the virtual time given.
void LineArriveAt(std::int64_t at, std::string_view bytes);
// The same, with a line error the driver reports at the next count (an
// overrun: bytes around them were lost).
void LineArriveDamagedAt(std::int64_t at, std::string_view bytes);
// The next write of the command byte makes the reply arrive delay ms later.
// Replies to one command are used in the order they were scripted; a command
// without a scripted reply left gets none.
void LineAnswer(char command, std::int64_t delay, std::string_view reply);
// The next count queries report these values, one each, whatever is waiting.
void LineReportCounts(const std::vector<std::int32_t>& counts);
// The next reads fail: they deliver nothing and report failure.
void LineFailReads(int count);
// A line error, as a driver set to abort on errors keeps it: every write
// fails until the next count query reports and clears it.
void LineRaiseError();

// How the next write times out: the driver reports nothing sent, and the
// byte is gone or still waits in its output queue (it goes out at the next
// write or clock move unless the queue is emptied first); or it reports the
// byte sent although the call failed.
enum class WriteTimeOut { NothingSent, ByteQueued, ByteSent };
void LineTimeOutNextWrite(WriteTimeOut kind);

// What the program did to the line.
const std::vector<WrittenByte>& LineWritten();
std::string LineWrittenText();
const std::vector<std::int32_t>& LineSleeps();
const std::vector<std::int64_t>& LinePollTimes();
const std::vector<LineRead>& LineReads();
// The times the waiting input was thrown away.
const std::vector<std::int64_t>& LineInputDiscards();
// Bytes that have arrived and were not read yet.
std::int32_t LineWaiting();
// Calls made with any handle other than ScriptedPort().
int LineMisdirectedCalls();
