// Conversion between pixels and dialog units, free of any window: the main window supplies how many
// pixels 1024 dialog units cover (from MapDialogRect), this module does the arithmetic.
#pragma once

#include <cstdint>

// pixels x 1024 / pixelsPer1024Units, rounded to the nearest whole unit with halves going up; a
// negative value with a remainder goes to the next lower unit. pixelsPer1024Units must be > 0
// (0 gives 0). Never overflows: the product is formed in 64 bits and the result saturates.
int32_t PixelsToDialogUnits(int32_t pixels, int32_t pixelsPer1024Units);
