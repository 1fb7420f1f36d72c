#pragma once
// Paths of the generated fixtures and the demo tracks, for tests.

#include <QString>

namespace testsupport {
inline QString dataFile(const QString& name) {
    return QStringLiteral(SONVOX_TEST_DATA "/") + name;
}
inline QString demoFile(const QString& name) {
    return QStringLiteral(SONVOX_DEMO_DIR "/") + name;
}
}  // namespace testsupport
