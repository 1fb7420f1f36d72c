#include "FsIcons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QPointer>
#include <array>

namespace {

constexpr int kIconCount = 5;
constexpr QSize kSmallIcon(16, 16);

// Owned by the application object, so the icons go before the application does.
class IconCache : public QObject {
public:
    explicit IconCache(QObject* parent) : QObject(parent) {}
    std::array<QIcon, kIconCount> icons;
    std::array<bool, kIconCount> made{};
};

QIcon makeIcon(FsIcon kind) {
    QFileIconProvider provider;
    switch (kind) {
        case FsIcon::File:
            return provider.icon(QFileIconProvider::File);
        case FsIcon::Folder:
            return provider.icon(QFileIconProvider::Folder);
        case FsIcon::OpenFolder: {
            // The folder picture's "on" state is its open look.
            const QIcon folder = provider.icon(QFileIconProvider::Folder);
            return QIcon(folder.pixmap(kSmallIcon, QIcon::Normal, QIcon::On));
        }
        case FsIcon::Drive:
            return provider.icon(QFileIconProvider::Drive);
        case FsIcon::NetworkDrive:
            return provider.icon(QFileIconProvider::Network);
    }
    return QIcon();
}

}  // namespace

const QIcon& fsIcon(FsIcon kind) {
    static QPointer<IconCache> cache;
    if (!cache)
        cache = new IconCache(qApp);
    const auto index = std::size_t(kind);
    if (!cache->made[index]) {
        cache->icons[index] = makeIcon(kind);
        cache->made[index] = true;
    }
    return cache->icons[index];
}

const QIcon& driveIcon(MountedVolume::Kind kind) {
    return fsIcon(kind == MountedVolume::Network ? FsIcon::NetworkDrive : FsIcon::Drive);
}
