#include "TKMVFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include "FsIcons.h"
#include "TKMVDirList.h"
#include "core/FileMask.h"
#include "core/SonvoxError.h"

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kIsDirRole = Qt::UserRole + 1;

}  // namespace

TKMVFileList::TKMVFileList(QWidget* parent)
    : QListWidget(parent), directory_(dirscan::absoluteDirectory(QDir::currentPath())) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentItemChanged, this, &TKMVFileList::updateFileEdit);
}

TKMVFileList::~TKMVFileList() {
    if (fileEdit_)
        fileEdit_->removeEventFilter(this);
}

// ---- What is listed -------------------------------------------------------------------------

void TKMVFileList::setDirectory(const QString& dir) {
    const QString absolute = dirscan::absoluteDirectory(dir);
    dirscan::enterDirectory(absolute);
    directory_ = absolute;
    readEntries();
}

void TKMVFileList::setMask(const QString& mask) {
    if (mask == mask_ && read_)
        return;
    mask_ = mask;
    readEntries();
}

void TKMVFileList::setFileType(FileTypes types) {
    if (types == fileType_ && read_)
        return;
    fileType_ = types;
    readEntries();
}

void TKMVFileList::refresh() {
    readEntries();
}

void TKMVFileList::readEntries() {
    clear();
    read_ = true;
    try {
        dirscan::enterDirectory(directory_);
    } catch (const SonvoxError&) {
        updateFileEdit();
        throw;
    }
    const std::vector<dirscan::Entry> entries =
        dirscan::listEntries(directory_, FileMask(mask_), fileType_);
    const QIcon& fileIcon = fsIcon(FsIcon::File);
    const QIcon& folderIcon = fsIcon(FsIcon::Folder);
    setUpdatesEnabled(false);
    for (const dirscan::Entry& entry : entries) {
        auto* item = new QListWidgetItem(entry.text);
        item->setData(kNameRole, entry.name);
        item->setData(kIsDirRole, entry.isDir);
        if (showGlyphs_)
            item->setIcon(entry.isDir ? folderIcon : fileIcon);
        addItem(item);
    }
    setUpdatesEnabled(true);
    updateFileEdit();
}

// ---- Look and input -------------------------------------------------------------------------

void TKMVFileList::setShowGlyphs(bool on) {
    if (on == showGlyphs_)
        return;
    showGlyphs_ = on;
    const QIcon& fileIcon = fsIcon(FsIcon::File);
    const QIcon& folderIcon = fsIcon(FsIcon::Folder);
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        entry->setIcon(!on ? QIcon() : entry->data(kIsDirRole).toBool() ? folderIcon : fileIcon);
    }
}

void TKMVFileList::setMultiSelect(bool on) {
    multiSelect_ = on;
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                        : QAbstractItemView::SingleSelection);
}

void TKMVFileList::setFileEdit(QLineEdit* edit) {
    if (fileEdit_)
        fileEdit_->removeEventFilter(this);
    fileEdit_ = edit;
    if (fileEdit_) {
        fileEdit_->installEventFilter(this);
        updateFileEdit();
    }
}

void TKMVFileList::updateFileEdit() {
    if (!fileEdit_)
        return;
    const QListWidgetItem* current = currentItem();
    fileEdit_->setText(current ? current->data(kNameRole).toString() : mask_);
}

bool TKMVFileList::eventFilter(QObject* watched, QEvent* event) {
    // The event type first: the edit may be part-destroyed when other events arrive.
    if (event->type() == QEvent::KeyPress && watched == fileEdit_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            applyFilePath(fileEdit_->text());
            return true;
        }
    }
    return QListWidget::eventFilter(watched, event);
}

void TKMVFileList::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    if (read_)
        return;
    try {
        readEntries();
    } catch (const SonvoxError&) {
        // Showing is no command; a directory that has gone shows an empty list.
    }
}

void TKMVFileList::setDirList(TKMVDirList* dirList) {
    dirList_ = dirList;
}

// ---- Selection ------------------------------------------------------------------------------

QStringList TKMVFileList::selectedNames() const {
    QStringList names;
    for (int row = 0; row < count(); ++row) {
        if (item(row)->isSelected())
            names.append(item(row)->text());
    }
    return names;
}

QString TKMVFileList::fileName() const {
    const QListWidgetItem* current = currentItem();
    if (!current)
        return QString();
    return QDir(directory_).filePath(current->data(kNameRole).toString());
}

void TKMVFileList::setFileName(const QString& name) {
    clearSelection();
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        if (!entry->data(kIsDirRole).toBool() && entry->data(kNameRole).toString() == name) {
            setCurrentItem(entry);
            entry->setSelected(true);
            scrollToItem(entry);
            return;
        }
    }
    setCurrentItem(nullptr);
}

void TKMVFileList::applyFilePath(const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return;
    const QFileInfo target(QDir(directory_).absoluteFilePath(typed));
    const QString invalidName = QStringLiteral("Ungültiger Dateiname - %1").arg(typed);

    QString newDirectory;
    QString namePart;
    if (target.isDir()) {
        newDirectory = target.absoluteFilePath();
    } else {
        newDirectory = target.absolutePath();
        namePart = target.fileName();
        if (!QFileInfo(newDirectory).isDir())
            throw SonvoxError(invalidName);
        if (!FileMask::hasWildcards(namePart) && !target.exists())
            throw SonvoxError(invalidName);
    }

    if (dirscan::absoluteDirectory(newDirectory) != directory_) {
        if (dirList_)
            dirList_->setDirectory(newDirectory);
        else
            setDirectory(newDirectory);
    }
    if (namePart.isEmpty())
        return;
    if (FileMask::hasWildcards(namePart)) {
        setMask(namePart);
        return;
    }
    setFileName(namePart);
    if (!currentItem()) {
        setMask(namePart);
        setFileName(namePart);
    }
}
