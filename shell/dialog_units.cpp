#include "shell/dialog_units.h"

#include <cstdint>

#include "base/text_ops.h"

int32_t PixelsToDialogUnits(int32_t pixels, int32_t pixelsPer1024Units) {
    if (pixelsPer1024Units <= 0) return 0;
    const int64_t scaled = static_cast<int64_t>(pixels) * 1024;
    const int64_t divisor = pixelsPer1024Units;
    if (scaled >= 0) return SaturateToInt32((2 * scaled + divisor) / (2 * divisor));
    // Negative values never round towards zero: any remainder takes the next lower unit.
    int64_t quotient = scaled / divisor;
    if (quotient * divisor != scaled) --quotient;
    return SaturateToInt32(quotient);
}

int32_t WholeDialogUnitsIn(int32_t pixels, int32_t pixelsPer1024Units) {
    if (pixelsPer1024Units <= 0 || pixels <= 0) return 0;
    return SaturateToInt32(static_cast<int64_t>(pixels) * 1024 / pixelsPer1024Units);
}
