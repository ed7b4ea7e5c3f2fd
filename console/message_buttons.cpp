#include "console/message_buttons.h"

namespace korva::console {

MessageButtons ButtonsOf(int kind) {
    switch (kind) {
        case TimedMessage::kInformation:
            return {true, false, false, DialogButton::kOk};
        case TimedMessage::kQuestion:
            return {false, true, true, DialogButton::kSim};
        case TimedMessage::kCautiousQuestion:
            return {false, true, true, DialogButton::kNao};
        case TimedMessage::kNotice:
            return {false, false, false, DialogButton::kNone};
        default:
            return {true, true, true, DialogButton::kSim};
    }
}

}  // namespace korva::console
