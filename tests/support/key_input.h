#pragma once
// Keys as a keyboard gives them (SendInput): they reach whichever window has
// the focus, in this process or another.

#include <windows.h>

#include <initializer_list>
#include <string>

// Keys pressed in order while the modifiers are held.
void Keys(std::initializer_list<WORD> held, std::initializer_list<WORD> keys);
// The text typed as characters, whatever the keyboard's layout.
void Type(const std::wstring& text);
