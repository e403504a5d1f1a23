// The rules of the main window's placement (position, size, size type), kept in section "HmWinPos"
// of the settings file in the main window's dialog units. The follower that applies them to the
// window is in window_placement_win.h.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

struct PlacementRecord {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t W = 0;
    int32_t H = 0;
    int32_t Minm = 0;
};

struct PlacementRestore {
    bool move = false;
    bool resize = false;
    bool minimise = false;
    bool takeCurrent = false;
};

struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

inline constexpr std::array<const char*, 5> kPlacementKeys = {"HmWinPosX", "HmWinPosY", "HmWinPosW",
                                                              "HmWinPosH", "HmWinPosMinm"};

// Applies the stored texts (X, Y, W, H, Minm in that order; empty after TrimBlanks = not stored) to
// `record`, a non-empty one rounded half to even and saturated to 32 bits, and answers what the window
// has to do, in the order move, resize, minimise, then take the current placement. A resize happens
// only when a stored size exceeds the design size, and never below it: a smaller W or H becomes the
// design's; otherwise W and H become the design size.
PlacementRestore PlanPlacementRestore(PlacementRecord& record, const std::array<std::string, 5>& storedTexts,
                                      int32_t designW, int32_t designH);

// A size that the plan resizes to, kept within the work area (`workW` x `workH`, dialog units, of the
// monitor the window is shown on) but never below the design size, which wins on a smaller screen. A
// work area of 0 (unknown) leaves the size as it is.
void FitSizeToWorkArea(PlacementRecord& record, int32_t designW, int32_t designH, int32_t workW,
                       int32_t workH);

// Where the window's outer rectangle `window` (pixels) belongs so that its caption bar (its top
// `captionHeight` pixels, at least one) can be reached: unchanged while a strip of the bar at least half
// its height tall and four caption heights wide (the whole bar when narrower) lies on one of
// `workAreas`, negative coordinates included; otherwise moved, size kept, into `nearest` (the work area
// of the monitor nearest to the window) as far as it fits. In a direction where the window is larger
// than `nearest`, its left or top edge goes to the area's, so that the caption and its system menu stay
// on the screen. No overflow for any input.
PixelRect ReachableWindowRect(const PixelRect& window, int32_t captionHeight,
                              std::span<const PixelRect> workAreas, const PixelRect& nearest);
