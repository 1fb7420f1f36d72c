#include "TKMVDirList.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "FsIcons.h"
#include "TKMVFileList.h"
#include "core/DirScan.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndentPx = 10;

// Shifts each line right by its level, so the path reads as a staircase down to the
// current directory with its subdirectories one step further in.
class LevelIndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) {
        return index.data(kLevelRole).toInt() * kIndentPx;
    }
};

}  // namespace

TKMVDirList::TKMVDirList(QWidget* parent)
    : QListWidget(parent), directory_(dirscan::absoluteDirectory(QDir::currentPath())) {
    setItemDelegate(new LevelIndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    rebuild();
}

// ---- Directory ------------------------------------------------------------------------------

void TKMVDirList::setDirectory(const QString& dir) {
    const QString absolute = dirscan::absoluteDirectory(dir);
    dirscan::enterDirectory(absolute);
    directory_ = absolute;
    rebuild();
    if (dirLabel_)
        dirLabel_->setText(directory_);
    if (fileList_)
        fileList_->setDirectory(directory_);
    emit changed();
}

void TKMVDirList::refresh() {
    rebuild();
}

void TKMVDirList::rebuild() {
    clear();
    const QStringList levels = directory_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QIcon& openIcon = fsIcon(FsIcon::OpenFolder);
    const QIcon& closedIcon = fsIcon(FsIcon::Folder);

    QString path = QStringLiteral("/");
    auto addLine = [this](const QString& text, const QString& linePath, int level,
                          const QIcon& icon) {
        auto* line = new QListWidgetItem(icon, text);
        line->setData(kPathRole, linePath);
        line->setData(kLevelRole, level);
        addItem(line);
    };
    addLine(path, path, 0, openIcon);
    for (qsizetype i = 0; i < levels.size(); ++i) {
        path = QDir(path).filePath(levels[i]);
        addLine(levels[i], path, int(i) + 1, openIcon);
    }
    directoryRow_ = count() - 1;

    const int childLevel = int(levels.size()) + 1;
    for (const QString& name : dirscan::subdirectories(directory_, false))
        addLine(name, QDir(directory_).filePath(name), childLevel, closedIcon);

    setCurrentRow(directoryRow_);
}

// ---- Lines ----------------------------------------------------------------------------------

QString TKMVDirList::itemPath(int row) const {
    const QListWidgetItem* line = item(row);
    return line ? line->data(kPathRole).toString() : QString();
}

void TKMVDirList::openCurrent() {
    const int row = currentRow();
    if (row >= 0)
        setDirectory(itemPath(row));
}

void TKMVDirList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openCurrent();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TKMVDirList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        openCurrent();
}

// ---- Links ----------------------------------------------------------------------------------

TKMVFileList* TKMVDirList::fileList() const {
    return fileList_;
}

void TKMVDirList::setFileList(TKMVFileList* fileList) {
    if (fileList_)
        fileList_->setDirList(nullptr);
    fileList_ = fileList;
    if (fileList_) {
        fileList_->setDirList(this);
        fileList_->setDirectory(directory_);
    }
}

void TKMVDirList::setDirLabel(QLabel* label) {
    dirLabel_ = label;
    if (dirLabel_)
        dirLabel_->setText(directory_);
}
