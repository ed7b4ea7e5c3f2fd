#pragma once
// What a close does with the boxes, for every front end: saves them and says where they went when that
// is not the file they were read from. A save that fails keeps the window open once, so that the
// operator may free the disk or the folder; at the next close the operator is asked, NÃO first, whether
// to close without them.
#include "console/console_view.h"
#include "console/settings_store.h"

namespace korva::console {

class ClosingSave {
public:
    // true: the window may close. While the system ends the session no notice waits for the operator.
    bool Save(SettingsStore& settings, const ConsoleSettings& boxes, ConsoleView& view, bool sessionEnding = false);

private:
    bool failedBefore_ = false;
};

}  // namespace korva::console
