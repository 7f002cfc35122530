#pragma once

#include <QString>

namespace quillory::UserDefaultKeys {

// The keys of the user defaults, as the settings file stores them.
inline const QString kNotifyUpdate = QStringLiteral("notifyUpdate");
// Whether the first launch has asked if releases may be checked for (the answer is
// kNotifyUpdate): asked once only.
inline const QString kUpdateCheckQuestionAsked = QStringLiteral("updateCheckQuestionAsked");
inline const QString kStartupAction = QStringLiteral("StartupActionTag");
inline const QString kStartupDocument = QStringLiteral("StartupSelectedDoc");
inline const QString kStartupDocumentBookmark = QStringLiteral("StartupSelectedDocBookmark");
inline const QString kLastVersionUsed = QStringLiteral("lastVersionUsedToUpdatePref");
inline const QString kHaveChosenUpdateCheck = QStringLiteral("haveSelectedPrefForCheckForUpdate");
inline const QString kUpdateCheckChoice = QStringLiteral("userPrefForCheckForUpdate");
inline const QString kUseLeading0 = QStringLiteral("useLeading0ForField1");
inline const QString kForceLeading0 = QStringLiteral("forceLeading0ForField1");
inline const QString kForcedTotalLength = QStringLiteral("forcedTotLenField1");
inline const QString kLastUpdateCheck = QStringLiteral("lastCheckDateForUpdate");
inline const QString kUpdateFeedUrls = QStringLiteral("updateFeedUrls");

} // namespace quillory::UserDefaultKeys
