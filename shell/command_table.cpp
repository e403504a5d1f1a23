#include "shell/command_table.h"

#include "base/text_ops.h"
#include "shell/main_window_layout.h"
#include "shell/tool_catalogue.h"

namespace {

constexpr int32_t kClicked = 0;
constexpr int32_t kDoubleClickedOrOne = 1; // a label's double-click; for buttons also taken as a click

bool IsClickCode(int32_t code) { return code == kClicked || code == kDoubleClickedOrOne; }

} // namespace

CommandAction CommandActionFor(int32_t controlId, int32_t notificationCode) {
    if (FindToolByButtonId(controlId) != nullptr) {
        return IsClickCode(notificationCode) ? CommandAction::RunTool : CommandAction::None;
    }
    switch (controlId) {
    case kExitButtonId:
        return IsClickCode(notificationCode) ? CommandAction::EndWindow : CommandAction::None;
    case kAllExitCheckBoxId:
        return CommandAction::StoreOption;
    case kHomePageLabelId:
        return notificationCode == kDoubleClickedOrOne ? CommandAction::OpenHomePage : CommandAction::None;
    default:
        return CommandAction::None;
    }
}

bool ClosesToolsOnExit(int32_t readResult, std::string_view optionText) {
    return readResult == 1 && ReadNumber(optionText) == 1.0;
}
