// Conversion between pixels and dialog units, free of any window: the main window supplies how many
// pixels 1024 dialog units cover (from MapDialogRect), this module does the arithmetic.
#pragma once

#include <cstdint>

// pixels x 1024 / pixelsPer1024Units, rounded to the nearest whole unit with halves going up; a
// negative value with a remainder goes to the next lower unit. pixelsPer1024Units must be > 0
// (0 gives 0). Never overflows: the product is formed in 64 bits and the result saturates.
int32_t PixelsToDialogUnits(int32_t pixels, int32_t pixelsPer1024Units);

// The most whole dialog units that fit into `pixels` (>= 0): pixels x 1024 / pixelsPer1024Units rounded
// down, so that the units converted back, however that rounds, never exceed `pixels`. 0 for a
// pixelsPer1024Units <= 0; saturates like PixelsToDialogUnits.
int32_t WholeDialogUnitsIn(int32_t pixels, int32_t pixelsPer1024Units);

// The largest magnitude of a dialog-unit value that the window layer converts to pixels; larger ones
// are clamped to it. The platform multiplies by the font's base unit in 32 bits, and a value of
// 1431655766 came back as -1; this many units lie beyond any screen's 32767 pixels all the same.
inline constexpr int32_t kMaxMappedDialogUnits = 65535;
