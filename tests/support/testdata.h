#pragma once

#include <QString>

namespace quillory::test {

// Path of a file under tests/data/ of the checkout.
QString testDataPath(const QString& relative);
// Path of a shared fixture (in the folder beside the checkout, which a fresh clone lacks: the
// tests that read them say so and skip, except under CI).
QString fixturePath(const QString& relative);
// Path of a file in the checkout.
QString sourcePath(const QString& relative);

} // namespace quillory::test
