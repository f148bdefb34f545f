#pragma once
// The application's own message texts. Text is Windows-1251 throughout, so the
// Russian messages are kept here as the bytes of that code page; the comment
// beside each gives the text as it reads.

#include <cstdint>

// "Ошибка": the title of every error requester.
inline constexpr char TextErrorTitle[] = "\xce\xf8\xe8\xe1\xea\xe0";

// "Нет открытого порта": a command was asked for while no port is open.
inline constexpr char TextNoOpenPort[] =
    "\xcd\xe5\xf2\x20\xee\xf2\xea\xf0\xfb\xf2\xee\xe3\xee\x20\xef\xee\xf0\xf2\xe0";

// "Не удалось открыть порт  " (two trailing spaces): followed directly by the
// name of the port that did not open.
inline constexpr char TextPortOpenFailed[] =
    "\xcd\xe5\x20\xf3\xe4\xe0\xeb\xee\xf1\xfc\x20\xee\xf2\xea\xf0\xfb\xf2\xfc\x20\xef\xee\xf0\xf2\x20\x20";

// "Логгер не отвечает": a dump ended because the logger fell silent before
// sending the zero byte that closes it.
inline constexpr char TextLoggerNotAnswering[] =
    "\xcb\xee\xe3\xe3\xe5\xf0\x20\xed\xe5\x20\xee\xf2\xe2\xe5\xf7\xe0\xe5\xf2";

// Requester flags for the error messages: stop icon, one OK button.
inline constexpr std::int32_t ErrorRequesterFlags = 16;
