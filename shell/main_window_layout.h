// The main window's fixed design, free of any window: the window's own constants, the 29 controls in
// creation order (which is also z-order and Tab order), the three coloured controls, the small rules
// of the first display and where the keyboard focus goes. The Windows layer (main_window_win.cpp) only
// turns this into windows.
//
// The window has room for the catalogue's five rows and no more: the counts follow the catalogue, and a
// longer one fails to compile here. Nothing here fails at run time.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "resources/resource_ids.h"
#include "shell/tool_catalogue.h"

#define FUNKELIS_DIGITS_OF(number) #number
#define FUNKELIS_NUMBER_TEXT(number) FUNKELIS_DIGITS_OF(number)

// The caption, and the key by which a second start finds the first.
inline constexpr char MainWindowTitle[] = " Funkelis Tools";

inline constexpr uint32_t kMainWindowStyle = 0x94CA0AD4; // includes WS_VISIBLE, withheld until shown
inline constexpr uint32_t kWindowVisibleBit = 0x10000000;
inline constexpr uint32_t kMainWindowExStyle = 0x00010000; // WS_EX_CONTROLPARENT
inline constexpr int16_t kTemplateX = 105;                 // ignored: the window is centred
inline constexpr int16_t kTemplateY = 43;
inline constexpr int16_t kClientWidthUnits = 324;
inline constexpr int16_t kClientHeightUnits = 251;
inline constexpr char kWindowFontFace[] = "MS Sans Serif";
inline constexpr uint16_t kWindowFontPoints = 8;
inline constexpr uint16_t kWindowFontWeight = 400;
inline constexpr int32_t kHeadingFontWeight = 700;
inline constexpr int kIconResourceId = IDI_LAUNCHER;
// The number as the platform's "#" name.
inline constexpr char kIconResourceName[] = "#" FUNKELIS_NUMBER_TEXT(IDI_LAUNCHER);

inline constexpr int32_t kHeadingLabelId = 9801;
inline constexpr int32_t kHomePageLabelId = 9802;
inline constexpr int32_t kExitButtonId = 9805;
inline constexpr int32_t kAllExitCheckBoxId = 9835;

inline constexpr uint32_t kHeadingLabelStyle = 0x50000101;
// SS_NOPREFIX (0x80) beside the heading's style: the address is drawn as typed, so "?a=1&b=2" does not
// lose its "&" to a mnemonic underline. The text stays the address the double-click opens.
inline constexpr uint32_t kHomePageLabelStyle = 0x50000181;
inline constexpr uint32_t kLeftLabelStyle = 0x50000100;  // caption and file labels
inline constexpr uint32_t kRightLabelStyle = 0x50000102; // version labels
inline constexpr uint32_t kFrameStyle = 0x50000007;
inline constexpr uint32_t kToolButtonStyle = 0x5001CF00;
inline constexpr uint32_t kExitButtonStyle = 0x50010000;
inline constexpr uint32_t kCheckBoxStyle = 0x50014F23;

// The heading, the home-page label, " E X I T " and " All Exit ".
inline constexpr int kWindowOwnControlCount = 4;
inline constexpr int kControlCount = kWindowOwnControlCount + kControlsPerTool * kToolCount;

struct ControlSpec {
    int32_t id;
    std::string_view className; // "STATIC" or "BUTTON"
    uint32_t style;
    std::string_view text;
    int16_t x, y, width, height; // dialog units
};

// Always the same 29 rows, four of the window's own and five per catalogue row; texts of the tool groups
// are views into the tool catalogue. The home-page label's text is empty here: it shows the launcher's
// home page, a resource of its own (settings/program_facts_win.h).
std::span<const ControlSpec, kControlCount> MainWindowControls();

// Top edge, in dialog units, of the frame of catalogue row `row` (1 to 5).
constexpr int16_t ToolFrameTop(int row) { return static_cast<int16_t>(17 + 41 * (row - 1)); }
inline constexpr int16_t kToolFrameHeight = 40;
inline constexpr int16_t kBottomButtonsTop = 230; // " E X I T " and " All Exit "

static_assert(kFirstToolControlId > kExitButtonId &&
                  kFirstToolControlId + kControlsPerTool * kToolCount <= kAllExitCheckBoxId,
              "the catalogue's rows take more control ids than lie between E X I T and All Exit: "
              "the main window has room for five tool rows");
static_assert(ToolFrameTop(kToolCount) + kToolFrameHeight <= kBottomButtonsTop,
              "the last tool row's frame would overlap E X I T: the main window has room for five tool rows");

enum class ColourBackground { SystemFace, Transparent };

struct ControlColour {
    int32_t id;
    uint32_t textColour; // COLORREF, 0x00BBGGRR
    ColourBackground background;
};

// The colour of control `id`, or nullptr when the control keeps the platform's colours.
const ControlColour* FindControlColour(int32_t id);

// lfHeight of the heading font: a 10-point font at `logPixelsY` dots per inch, truncated towards 0.
int32_t HeadingFontHeight(int32_t logPixelsY);

// What the show-state setter stores: SW_HIDE (0), SW_MAXIMIZE (3) and SW_MINIMIZE (6) stay, any
// other value becomes SW_SHOW (5).
int32_t NormalizeShowState(int32_t showState);

// The size type the first WM_SIZE carries for a show state: 1 minimised, 2 maximised, else 0.
uint32_t FirstSizeType(int32_t showState);

// The control that has the keyboard focus when the window first shows: the first tab stop, so that
// Enter and Space work before any Tab.
int32_t FirstTabStopId();

// Where an arrow key (virtual-key code) moves the keyboard focus from control `focusedId`: Down and
// Right to the next tab stop in Tab order, Up and Left to the previous one, wrapping around. The
// window moves it itself, so the focus never lands on a frame or a label as the platform's group
// navigation would put it. A control that is no tab stop counts from its place in creation order; no
// control of the window (0) counts as lying before the first. 0 for a key that is no arrow key.
int32_t ArrowKeyFocusTarget(uint32_t virtualKey, int32_t focusedId);
