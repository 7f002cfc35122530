#pragma once

#include <QtGlobal>

namespace quillory {

// The startup actions of the preferences ("StartupActionTag") and when each one acts.
enum class StartupAction {
    NewDocument = 0,            // a new untitled document, unless one is open after a second
    OpenPanelIfNothingOpen = 1, // the open panel, unless a document is open after a second
    OpenPanel = 2,              // the open panel at once
    StartupDocument = 3,        // the document chosen in the preferences
    Nothing,                    // any other value
};

class StartupActions
{
public:
    static StartupAction fromTag(qint64 tag);
    // How long the action waits before it looks whether a document is open; 0 for none.
    static int delayMilliseconds(StartupAction action);
    // Whether an untitled document opens at launch when none was given: only for action 0.
    static bool opensUntitledAtLaunch(StartupAction action, bool documentsGivenAtLaunch);
    // Whether the action still has something to do once its delay is over.
    static bool actsAfterDelay(StartupAction action, bool anyDocumentOpen);
};

} // namespace quillory
