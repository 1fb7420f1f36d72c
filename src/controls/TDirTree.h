#pragma once
// The directory tree of the directory picker. Its top-level "drive" nodes are the mounted
// volumes (see MountedVolumes); below them the directories are read lazily, a node's
// children only when it is first expanded. Which directories appear is decided by
// DirTreeRules (dirType(), goBelowRecycleBin(), the OnAddDir and OnFindDir hooks).
//
// Nodes. Each node holds its full path ending in "/" (a drive node its root, "/" for the
// file-system root), exactly as on disk: names keep their case. A node whose children
// have not been read yet has one placeholder child captioned "**" when it may hold
// directories, so that it shows an expand button:
//   - drive nodes: always with fastLoad(); else removable, optical and not-ready volumes
//     get one without being looked at, other volumes only when they hold a shown
//     directory;
//   - directory nodes: when they hold a shown directory (checked when their parent is
//     read).
// Expanding a node for the first time replaces its placeholder by its children, sorted
// without regard to case.
//
// Building the drive nodes (first showing or first setDirectory() when readOnStart(), a
// call to buildDriveNodes(), and every change of dirType(), allowNetwork() or
// goBelowRecycleBin(), which then restores the selection as far as it can) removes all
// nodes. An unreadable directory simply shows no children.
//
// Directory. directory() is the selected node's path, or "?" when none is selected.
// setDirectory() finds the node level by level, reading children as needed: the deepest
// drive node holding the path first, then one name at a time, compared exactly; it
// selects that node and scrolls it into view, or leaves the selection as it was when a
// level is not shown. See setDirectory() for the special values.
//
// The tree remembers one directory per drive node: initially its root (for the volume
// holding the current directory, the current directory); selecting a node updates the
// entry of its drive.
//
// GUI thread only.

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTreeWidget>
#include <optional>

#include "core/DirTreeRules.h"
#include "core/MountedVolumes.h"

class TDirTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TDirTree(QWidget* parent = nullptr);

    // ---- Directory ----------------------------------------------------------------------
    QString directory() const;
    // Empty text throws SonvoxError "Invalid Directory Name"; "?" changes nothing. A
    // relative path is taken from the current directory. A directory that does not exist
    // is replaced by the root of the volume holding the current directory; without
    // allowNetwork(), one on a network volume by the home directory.
    void setDirectory(const QString& dir);

    // ---- Properties ---------------------------------------------------------------------
    // Default true: build the drive nodes when first needed.
    bool readOnStart() const { return readOnStart_; }
    void setReadOnStart(bool on) { readOnStart_ = on; }
    // Default dtNormal | dtAll. Rebuilds when changed.
    DirTypes dirType() const { return rules_.dirType; }
    void setDirType(DirTypes types);
    // Default true: network volumes are drive nodes and their mount points are listed.
    // Rebuilds when changed.
    bool allowNetwork() const { return allowNetwork_; }
    void setAllowNetwork(bool on);
    // Default true. Rebuilds when changed.
    bool goBelowRecycleBin() const { return rules_.goBelowRecycleBin; }
    void setGoBelowRecycleBin(bool on);
    // Default false. Takes effect at the next building.
    bool fastLoad() const { return fastLoad_; }
    void setFastLoad(bool on) { fastLoad_ = on; }
    // Default false; kept only (the selection always shows).
    bool hideSelection() const { return hideSelection_; }
    void setHideSelection(bool on) { hideSelection_ = on; }

    // ---- Events (the program assigns none) ----------------------------------------------
    // OnAddDir: return false to hide the directory (or volume root) at `path`.
    void setOnAddDir(std::function<bool(const QString& path)> hook);
    // OnFindDir: replaces reading the subdirectory names of `dir`.
    void setOnFindDir(std::function<QStringList(const QString& dir)> hook);

    // ---- Nodes --------------------------------------------------------------------------
    // Removes all nodes and builds the drive nodes.
    void buildDriveNodes();
    // Replaces the system's volumes (read at each building) by `volumes`; std::nullopt
    // goes back to the system's. Rebuilds when the nodes are built.
    void setVolumes(std::optional<QList<MountedVolume>> volumes);
    // The node with exactly this path (ending in "/") among the nodes built so far.
    QTreeWidgetItem* nodeAt(const QString& path) const;
    // The remembered directory of the drive node with root `root` (ending in "/").
    QString rememberedDirectory(const QString& root) const { return remembered_.value(root); }

    static QString nodePath(const QTreeWidgetItem* node);
    static bool childrenRead(const QTreeWidgetItem* node);
    static bool isPlaceholder(const QTreeWidgetItem* node);

signals:
    // The design's OnGetIcon: a node's pictures have been set.
    void getIcon(QTreeWidgetItem* node);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ensureBuilt();
    void rebuild();
    void readChildren(QTreeWidgetItem* node);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& caption, const QString& path,
                             bool isDrive);
    void addPlaceholder(QTreeWidgetItem* node);
    void selectNode(QTreeWidgetItem* node);
    void rememberSelection();
    QTreeWidgetItem* driveNodeFor(const QString& path) const;
    QString fallbackDirectory(const QString& path) const;

    DirTreeRules rules_;
    bool readOnStart_ = true;
    bool allowNetwork_ = true;
    bool fastLoad_ = false;
    bool hideSelection_ = false;
    bool built_ = false;
    std::optional<QList<MountedVolume>> volumesOverride_;
    QList<MountedVolume> volumes_;  // as at the last building
    QSet<QString> networkRoots_;    // mount points of network volumes, ending in "/"
    QHash<QString, QString> remembered_;
};
