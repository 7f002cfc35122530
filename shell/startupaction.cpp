#include "shell/startupaction.h"

namespace quillory {

StartupAction StartupActions::fromTag(qint64 tag)
{
    switch (tag) {
    case 0:
        return StartupAction::NewDocument;
    case 1:
        return StartupAction::OpenPanelIfNothingOpen;
    case 2:
        return StartupAction::OpenPanel;
    case 3:
        return StartupAction::StartupDocument;
    default:
        return StartupAction::Nothing;
    }
}

int StartupActions::delayMilliseconds(StartupAction action)
{
    switch (action) {
    case StartupAction::NewDocument:
    case StartupAction::OpenPanelIfNothingOpen:
        return 1000;
    default:
        return 0;
    }
}

bool StartupActions::opensUntitledAtLaunch(StartupAction action, bool documentsGivenAtLaunch)
{
    return action == StartupAction::NewDocument && !documentsGivenAtLaunch;
}

bool StartupActions::actsAfterDelay(StartupAction action, bool anyDocumentOpen)
{
    switch (action) {
    case StartupAction::NewDocument:
    case StartupAction::OpenPanelIfNothingOpen:
        return !anyDocumentOpen;
    case StartupAction::OpenPanel:
    case StartupAction::StartupDocument:
        return true;
    case StartupAction::Nothing:
        return false;
    }
    return false;
}

} // namespace quillory
