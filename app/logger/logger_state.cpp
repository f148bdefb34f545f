#include "app/logger/logger_state.h"

#include "base/strings.h"

#include <initializer_list>

PortHandle CurrentPort = 0;
bool PortLost = false;
bool PortRemoved = false;
char* CommandText = nullptr;
char* ReplyText = nullptr;
char* DumpText = nullptr;
std::uint8_t EndSeen = 0;

void LoggerStateReset()
{
    for (char** text : {&CommandText, &ReplyText, &DumpText}) {
        StringFree(*text);
        *text = nullptr;
    }
    CurrentPort = 0;
    PortLost = false;
    PortRemoved = false;
    EndSeen = 0;
}
