#pragma once
// Settings kept as text under the program's key (HKCU\Software\Korvane),
// so that a setting reads the same whatever the user's separators: a
// chart's scale, the alarm's limits.

#include <windows.h>

// The value's text, terminated; false, with the text empty, when there is
// none or it is no text.
bool ReadSettingText(const char* name, char* text, DWORD size);
// Keeps the text as the value; a key that cannot be written keeps nothing,
// and the setting holds for this run.
void KeepSettingText(const char* name, const char* text);
