#pragma once
// The one reverse-DNS name by which the desktop knows Sonvox: the name of its desktop file
// (installed and per user), its AppStream component id and the desktop entry it announces
// to desktop shells. Changing it orphans every registration already made, so it stays.

#include <QString>

namespace ApplicationId {

inline const QString kId = QStringLiteral("org.sonvox.Sonvox");

// "<id>.desktop", the desktop-file id.
inline QString desktopFileName() {
    return kId + QStringLiteral(".desktop");
}

}  // namespace ApplicationId
