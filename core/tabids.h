#pragma once

#include <QString>

#include <array>

namespace quillory::TabIds {

// The main tabs of a document window, in their order, as documents store `mainTabId`.
inline const QString kDatabase = QStringLiteral("db");
inline const QString kFiles = QStringLiteral("file");
inline const QString kMerge = QStringLiteral("merge");
inline const QString kPreview = QStringLiteral("preview");
inline const QString kRun = QStringLiteral("run");
inline const std::array<QString, 5> kMainTabs = {kDatabase, kFiles, kMerge, kPreview, kRun};

// The two sides of the files tab, as documents store `secTabId`.
inline const QString kAllInOne = QStringLiteral("one");
inline const QString kOnePerRecord = QStringLiteral("multi");

} // namespace quillory::TabIds
