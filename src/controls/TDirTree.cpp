#include "TDirTree.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>

#include "FsIcons.h"
#include "core/DirScan.h"
#include "core/SonvoxError.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kReadRole = Qt::UserRole + 1;
constexpr int kPlaceholderRole = Qt::UserRole + 2;

QString withSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// The wait cursor while the tree looks at the disk.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString driveCaption(const MountedVolume& volume) {
    return volume.name.isEmpty() ? volume.rootPath
                                 : QStringLiteral("%1 (%2)").arg(volume.name, volume.rootPath);
}

}  // namespace

TDirTree::TDirTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemExpanded, this, &TDirTree::readChildren);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TDirTree::rememberSelection);
}

// ---- Node data ------------------------------------------------------------------------------

QString TDirTree::nodePath(const QTreeWidgetItem* node) {
    return node ? node->data(0, kPathRole).toString() : QString();
}

bool TDirTree::childrenRead(const QTreeWidgetItem* node) {
    return node && node->data(0, kReadRole).toBool();
}

bool TDirTree::isPlaceholder(const QTreeWidgetItem* node) {
    return node && node->data(0, kPlaceholderRole).toBool();
}

QTreeWidgetItem* TDirTree::nodeAt(const QString& path) const {
    QTreeWidgetItem* node = driveNodeFor(path);
    while (node && nodePath(node) != path) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i) {
            QTreeWidgetItem* child = node->child(i);
            if (!isPlaceholder(child) && path.startsWith(nodePath(child)))
                next = child;
        }
        node = next;
    }
    return node;
}

// ---- Building -------------------------------------------------------------------------------

QTreeWidgetItem* TDirTree::addNode(QTreeWidgetItem* parent, const QString& caption,
                                   const QString& path, bool isDrive) {
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    node->setText(0, caption);
    node->setData(0, kPathRole, path);
    node->setData(0, kReadRole, false);
    node->setToolTip(0, path);
    if (!isDrive)
        node->setIcon(0, fsIcon(FsIcon::Folder));
    return node;
}

void TDirTree::addPlaceholder(QTreeWidgetItem* node) {
    auto* placeholder = new QTreeWidgetItem(node);
    placeholder->setText(0, QStringLiteral("**"));
    placeholder->setData(0, kPlaceholderRole, true);
    placeholder->setFlags(Qt::ItemIsEnabled);
}

void TDirTree::buildDriveNodes() {
    const WaitCursor wait;
    clear();
    built_ = true;
    volumes_ = volumesOverride_ ? *volumesOverride_ : mountedVolumes();
    networkRoots_.clear();
    for (const MountedVolume& volume : volumes_) {
        if (volume.kind == MountedVolume::Network)
            networkRoots_.insert(withSlash(volume.rootPath));
    }

    for (const MountedVolume& volume : volumes_) {
        if (!allowNetwork_ && volume.kind == MountedVolume::Network)
            continue;
        const QString root = withSlash(volume.rootPath);
        if (!rules_.passesPathRules(root))
            continue;
        QTreeWidgetItem* node = addNode(nullptr, driveCaption(volume), root, true);
        node->setIcon(0, driveIcon(volume.kind));
        if (!remembered_.contains(root))
            remembered_.insert(root, root);

        const bool lookLater = fastLoad_ || volume.kind == MountedVolume::Removable ||
                               volume.kind == MountedVolume::CdRom ||
                               volume.kind == MountedVolume::Unknown;
        if (lookLater || rules_.hasShownSubdirectory(root))
            addPlaceholder(node);
        emit getIcon(node);
    }

    // The current drive remembers the current directory, until a selection there says
    // otherwise.
    const QString current = withSlash(dirscan::absoluteDirectory(QDir::currentPath()));
    if (const QTreeWidgetItem* drive = driveNodeFor(current)) {
        const QString root = nodePath(drive);
        if (remembered_.value(root) == root)
            remembered_.insert(root, current);
    }
}

void TDirTree::ensureBuilt() {
    if (!built_ && readOnStart_)
        buildDriveNodes();
}

void TDirTree::showEvent(QShowEvent* event) {
    ensureBuilt();
    QTreeWidget::showEvent(event);
}

void TDirTree::readChildren(QTreeWidgetItem* node) {
    if (!node || childrenRead(node) || isPlaceholder(node))
        return;
    const WaitCursor wait;
    qDeleteAll(node->takeChildren());
    node->setData(0, kReadRole, true);
    const QString path = nodePath(node);
    for (const QString& name : rules_.shownSubdirectories(path)) {
        const QString childPath = path + name + QLatin1Char('/');
        if (!allowNetwork_ && networkRoots_.contains(childPath))
            continue;
        QTreeWidgetItem* child = addNode(node, name, childPath, false);
        if (rules_.hasShownSubdirectory(childPath))
            addPlaceholder(child);
        emit getIcon(child);
    }
}

void TDirTree::rebuild() {
    const QString remembered = directory();
    buildDriveNodes();
    if (remembered == QLatin1String("?"))
        return;
    setDirectory(remembered);
    if (directory() == QLatin1String("?")) {
        if (const QTreeWidgetItem* drive = driveNodeFor(remembered))
            setDirectory(nodePath(drive));
    }
    if (directory() == QLatin1String("?") && topLevelItemCount() > 0) {
        QTreeWidgetItem* first = topLevelItem(0);
        setDirectory(remembered_.value(nodePath(first), nodePath(first)));
        first->setExpanded(true);
    }
}

// ---- Properties -----------------------------------------------------------------------------

void TDirTree::setDirType(DirTypes types) {
    if (types == rules_.dirType)
        return;
    rules_.dirType = types;
    rebuild();
}

void TDirTree::setAllowNetwork(bool on) {
    if (on == allowNetwork_)
        return;
    allowNetwork_ = on;
    rebuild();
}

void TDirTree::setGoBelowRecycleBin(bool on) {
    if (on == rules_.goBelowRecycleBin)
        return;
    rules_.goBelowRecycleBin = on;
    rebuild();
}

void TDirTree::setOnAddDir(std::function<bool(const QString&)> hook) {
    rules_.onAddDir = std::move(hook);
}

void TDirTree::setOnFindDir(std::function<QStringList(const QString&)> hook) {
    rules_.onFindDir = std::move(hook);
}

void TDirTree::setVolumes(std::optional<QList<MountedVolume>> volumes) {
    volumesOverride_ = std::move(volumes);
    if (built_)
        rebuild();
}

// ---- Directory ------------------------------------------------------------------------------

QString TDirTree::directory() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QStringLiteral("?") : nodePath(selected.first());
}

QTreeWidgetItem* TDirTree::driveNodeFor(const QString& path) const {
    QTreeWidgetItem* best = nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* drive = topLevelItem(i);
        if (pathLiesOn(path, nodePath(drive)) &&
            (!best || nodePath(drive).size() > nodePath(best).size()))
            best = drive;
    }
    return best;
}

QString TDirTree::fallbackDirectory(const QString& path) const {
    if (!QFileInfo(path).isDir()) {
        const QString current = dirscan::absoluteDirectory(QDir::currentPath());
        const qsizetype index = volumeIndexOf(volumes_, current);
        return index >= 0 ? volumes_[index].rootPath : QStringLiteral("/");
    }
    if (!allowNetwork_) {
        const qsizetype index = volumeIndexOf(volumes_, path);
        if (index >= 0 && volumes_[index].kind == MountedVolume::Network)
            return QDir::homePath();
    }
    return path;
}

void TDirTree::setDirectory(const QString& dir) {
    if (dir.isEmpty())
        throw SonvoxError(QStringLiteral("Invalid Directory Name"));
    if (dir == QLatin1String("?"))
        return;
    ensureBuilt();
    const QString path = withSlash(fallbackDirectory(dirscan::absoluteDirectory(dir)));

    QTreeWidgetItem* node = driveNodeFor(path);
    if (!node)
        return;
    const QStringList names =
        path.mid(nodePath(node).size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        readChildren(node);
        const QString childPath = nodePath(node) + name + QLatin1Char('/');
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i) {
            if (nodePath(node->child(i)) == childPath)
                next = node->child(i);
        }
        if (!next)
            return;
        node = next;
    }
    selectNode(node);
}

void TDirTree::selectNode(QTreeWidgetItem* node) {
    for (QTreeWidgetItem* parent = node->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    setCurrentItem(node);
    node->setSelected(true);
    scrollToItem(node);
}

void TDirTree::rememberSelection() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return;
    const QTreeWidgetItem* drive = selected.first();
    while (drive->parent())
        drive = drive->parent();
    remembered_.insert(nodePath(drive), nodePath(selected.first()));
}
