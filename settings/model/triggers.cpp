#include "settings/model/triggers.h"

namespace furlpane {

TriggerSetting factorySetting(Trigger trigger) {
    switch (trigger) {
        case Trigger::titleBarDoubleClick: return {WindowAction::furlpane, true};
        case Trigger::minimizeButton: return {WindowAction::minimizeToDock, true};
        case Trigger::controlTitleBarDoubleClick: return {WindowAction::floatOnTop, true};
        case Trigger::commandTitleBarDoubleClick: return {WindowAction::minimizeInPlace, false};
        case Trigger::commandM: return {WindowAction::minimizeToDock, true};
        case Trigger::commandDoubleTap: return {WindowAction::floatOnTop, false};
        case Trigger::controlDoubleTap: return {WindowAction::minimizeInPlace, false};
    }
    return {};
}

}  // namespace furlpane
