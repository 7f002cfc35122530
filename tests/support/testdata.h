#pragma once

#include <QString>

namespace quillory::test {

// Path of a file under tests/data/ of the checkout.
QString testDataPath(const QString& relative);
// Path of a shared fixture (the folder beside the checkout). A missing fixture stops the test
// program with a message: such tests must fail, never skip, where the fixtures are absent.
QString fixturePath(const QString& relative);
// Path of a file in the checkout.
QString sourcePath(const QString& relative);

} // namespace quillory::test
