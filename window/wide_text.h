#pragma once
// The program's texts are byte strings in code page 1251; what the user
// reads is shown as wide text converted from them, so it reads right
// whatever the machine's own code page.

#include <windows.h>

// Converts text (null reads as empty) into wide, terminated, and returns the
// characters written with the terminator; 0 when it does not fit. With a
// capacity of 0 it only returns the characters the whole text needs.
int WideFromText(const char* text, wchar_t* wide, int capacity);
