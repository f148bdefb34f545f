#pragma once
// Requests over HTTP with Windows' own client, as the program makes them: on
// a worker's thread, since each waits for the network; through the user's
// proxy as Internet Options set it; TLS 1.2 asked for, which Windows 7 gives
// only when asked; every wait bounded.

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <cstdint>

class WideBuilder;

// What of the server's own words an answer keeps.
inline constexpr std::size_t HttpWordsKept = 200;

struct HttpAnswer {
    int status; // 0: none came
    DWORD error; // the system's, when none came
    std::uint32_t retryAfter; // seconds, 0 for none given
    char words[HttpWordsKept + 1]; // an answer of 300 or more: its first words, UTF-8, on one line
};

// Where a request under way is kept, under `lock`, so that another thread
// may cancel it by closing it.
struct HttpCancel {
    CRITICAL_SECTION* lock;
    HINTERNET request;
};

// A session of the program's; null when the system gives none.
HINTERNET OpenHttpSession();

// One request and its answer; `token`, when not empty, goes as
// "Authorization: Token ...". `cancel` may be null.
HttpAnswer SendHttp(HINTERNET session, const wchar_t* method, const wchar_t* address, const wchar_t* token,
                    const char* body, DWORD length, HttpCancel* cancel);

// A request's error in the system's words, the HTTP client's own included.
void AppendHttpReason(WideBuilder& text, DWORD error);
