#pragma once
// A chart's picture as a PNG file, through the Windows Imaging Component's
// first factory (which Windows 7 has). The component and COM are loaded at
// the first picture saved, not at the program's start.

#include <windows.h>

// Encodes the 24-bit bottom-up device-independent bitmap and writes it to
// the target so that a failure leaves an earlier file whole; 0 or the
// system's error code.
DWORD SavePng(const BITMAPINFOHEADER& header, const BYTE* bits, const wchar_t* target);
