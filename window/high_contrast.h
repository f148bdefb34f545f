#pragma once
// Whether the user has Windows' high contrast on: what the program draws in
// colours of its own then takes the system's.

#include <windows.h>

inline bool HighContrastOn()
{
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
