#include "shell/main_window_layout.h"

#include <array>

#include "shell/tool_catalogue.h"

namespace {

constexpr std::string_view kHeadingText = " Das kleine Funkeli Tool mit ein paar kleinen Tools ";

std::array<ControlSpec, kControlCount> BuildControls() {
    std::array<ControlSpec, kControlCount> rows{};
    int next = 0;
    rows[next++] = {kHeadingLabelId, "STATIC", kHeadingLabelStyle, kHeadingText, 10, 5, 305, 10};
    int row = 1;
    for (const ToolEntry& entry : ToolCatalogue()) {
        const int16_t top = ToolFrameTop(row++);
        rows[next++] = {entry.frameId, "BUTTON", kFrameStyle, "", 10, top, 305, kToolFrameHeight};
        rows[next++] = {entry.captionLabelId,
                        "STATIC",
                        kLeftLabelStyle,
                        entry.captionText,
                        15,
                        static_cast<int16_t>(top + 9),
                        210,
                        10};
        rows[next++] = {entry.versionLabelId,
                        "STATIC",
                        kRightLabelStyle,
                        entry.versionText,
                        235,
                        static_cast<int16_t>(top + 9),
                        65,
                        10};
        rows[next++] = {entry.fileLabelId,
                        "STATIC",
                        kLeftLabelStyle,
                        entry.fileLabelText,
                        15,
                        static_cast<int16_t>(top + 24),
                        135,
                        10};
        rows[next++] = {entry.buttonId,
                        "BUTTON",
                        kToolButtonStyle,
                        entry.captionText,
                        150,
                        static_cast<int16_t>(top + 22),
                        155,
                        14};
    }
    rows[next++] = {kExitButtonId, "BUTTON", kExitButtonStyle, " E X I T ", 130, kBottomButtonsTop, 65, 15};
    rows[next++] = {kHomePageLabelId, "STATIC", kHomePageLabelStyle, "", 10, 178, 305, 10};
    rows[next++] = {
        kAllExitCheckBoxId, "BUTTON", kCheckBoxStyle, " All Exit ", 275, kBottomButtonsTop, 40, 15};
    return rows;
}

constexpr std::array<ControlColour, 3> kColours = {{
    {kHeadingLabelId, 0x00C08040, ColourBackground::SystemFace},
    {kHomePageLabelId, 0x00804000, ColourBackground::Transparent},
    {kAllExitCheckBoxId, 0x00C08000, ColourBackground::SystemFace},
}};

// Built before main from constants only (the catalogue needs no initialisation of its own). A
// function-local static would need a thread-safe guard, and that guard alone would bring the threads
// library into the launcher, which runs on one thread.
const std::array<ControlSpec, kControlCount> kControls = BuildControls();

} // namespace

std::span<const ControlSpec, kControlCount> MainWindowControls() { return kControls; }

const ControlColour* FindControlColour(int32_t id) {
    for (const ControlColour& colour : kColours) {
        if (colour.id == id) return &colour;
    }
    return nullptr;
}

int32_t HeadingFontHeight(int32_t logPixelsY) {
    return static_cast<int32_t>(-(static_cast<int64_t>(logPixelsY) * 10) / 72);
}

int32_t NormalizeShowState(int32_t showState) {
    switch (showState) {
    case 0: // SW_HIDE
    case 3: // SW_MAXIMIZE
    case 6: // SW_MINIMIZE
        return showState;
    default:
        return 5; // SW_SHOW
    }
}

uint32_t FirstSizeType(int32_t showState) {
    if (showState == 6) return 1;
    if (showState == 3) return 2;
    return 0;
}

namespace {

constexpr uint32_t kTabStopStyle = 0x00010000; // WS_TABSTOP
constexpr uint32_t kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28;

// Creation-order places on a ring; the place after the last control stands for "no control of the
// window", so that a step from it forward reaches the first tab stop and back the last.
constexpr int kNoControlPlace = kControlCount;
constexpr int kPlaces = kControlCount + 1;

int PlaceOf(int32_t id) {
    for (int i = 0; i < kControlCount; ++i) {
        if (kControls[i].id == id) return i;
    }
    return kNoControlPlace;
}

// The nearest tab stop from `place` in direction `step` (+1 or -1); `place` itself only after a whole round.
int32_t TabStopAfter(int place, int step) {
    for (int visited = 0; visited < kPlaces; ++visited) {
        place = (place + step + kPlaces) % kPlaces;
        if (place != kNoControlPlace && (kControls[place].style & kTabStopStyle) != 0)
            return kControls[place].id;
    }
    return 0;
}

} // namespace

int32_t FirstTabStopId() { return TabStopAfter(kNoControlPlace, 1); }

int32_t ArrowKeyFocusTarget(uint32_t virtualKey, int32_t focusedId) {
    if (virtualKey == kKeyDown || virtualKey == kKeyRight) return TabStopAfter(PlaceOf(focusedId), 1);
    if (virtualKey == kKeyUp || virtualKey == kKeyLeft) return TabStopAfter(PlaceOf(focusedId), -1);
    return 0;
}
