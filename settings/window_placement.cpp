#include "settings/window_placement.h"

#include <algorithm>

#include "base/text_ops.h"

namespace {

// A caption bar a user can take hold of: half its height and kGrabWidthInCaptions caption heights of
// its width (all of it when narrower) on one work area. A few pixels of frame do not count.
constexpr int64_t kGrabWidthInCaptions = 4;

bool GrabbableOn(const PixelRect& captionBar, const PixelRect& area) {
    const int64_t captionHeight = int64_t{captionBar.bottom} - captionBar.top;
    const int64_t width = int64_t{captionBar.right} - captionBar.left;
    const int64_t shownWidth =
        int64_t{std::min(captionBar.right, area.right)} - std::max(captionBar.left, area.left);
    const int64_t shownHeight =
        int64_t{std::min(captionBar.bottom, area.bottom)} - std::max(captionBar.top, area.top);
    return shownHeight >= (captionHeight + 1) / 2 && shownHeight > 0 &&
           shownWidth >= std::min(width, kGrabWidthInCaptions * captionHeight) && shownWidth > 0;
}

// The start of a span of `length` that lies inside [areaStart, areaEnd) as far as it fits, nearest to
// `start`; a longer span starts where the area starts.
int64_t StartInside(int64_t start, int64_t length, int64_t areaStart, int64_t areaEnd) {
    return std::max(areaStart, std::min(start, areaEnd - length));
}

} // namespace

PlacementRestore PlanPlacementRestore(PlacementRecord& record, const std::array<std::string, 5>& storedTexts,
                                      int32_t designW, int32_t designH) {
    std::array<int32_t*, 5> fields = {&record.X, &record.Y, &record.W, &record.H, &record.Minm};
    bool found = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string text = TrimBlanks(storedTexts[i]);
        if (text.empty()) continue;
        found = true;
        *fields[i] = RoundToInt32(ReadNumber(text));
    }

    PlacementRestore restore;
    const auto anyOf = [&record](auto test) {
        return test(record.X) || test(record.Y) || test(record.W) || test(record.H);
    };
    if (found) {
        if (anyOf([](int32_t v) { return v > 0; })) {
            restore.move = true;
            if (designW < record.W || designH < record.H) {
                // The layout is fixed: a stored 400 x 1 would hide every control for good.
                restore.resize = true;
                record.W = std::max(record.W, designW);
                record.H = std::max(record.H, designH);
            } else {
                record.W = designW;
                record.H = designH;
            }
        }
        restore.minimise = record.Minm == 1;
    }
    restore.takeCurrent = anyOf([](int32_t v) { return v == 0; });
    return restore;
}

void FitSizeToWorkArea(PlacementRecord& record, int32_t designW, int32_t designH, int32_t workW,
                       int32_t workH) {
    if (workW > 0) record.W = std::max(designW, std::min(record.W, workW));
    if (workH > 0) record.H = std::max(designH, std::min(record.H, workH));
}

PixelRect ReachableWindowRect(const PixelRect& window, int32_t captionHeight,
                              std::span<const PixelRect> workAreas, const PixelRect& nearest) {
    const PixelRect captionBar{window.left, window.top, window.right,
                               SaturateToInt32(int64_t{window.top} + std::max(captionHeight, 1))};
    if (std::any_of(workAreas.begin(), workAreas.end(),
                    [&captionBar](const PixelRect& area) { return GrabbableOn(captionBar, area); }))
        return window;
    const int64_t width = int64_t{window.right} - window.left;
    const int64_t height = int64_t{window.bottom} - window.top;
    const int64_t left = StartInside(window.left, width, nearest.left, nearest.right);
    const int64_t top = StartInside(window.top, height, nearest.top, nearest.bottom);
    return PixelRect{SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(left + width),
                     SaturateToInt32(top + height)};
}
