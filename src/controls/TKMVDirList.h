#pragma once
// The directory list of the load dialog: the current directory's path, one line per
// level from "/" down (open folders, the directory itself last among them), followed by
// its subdirectories in sorted order (closed folders), each indented one step below its
// parent. Hidden directories (names starting with ".") are not listed. Names are shown as
// stored.
//
// Double click or Enter on a line makes that directory current (openCurrent()); a single
// click only selects the line, so a dialog that wants one-click opening calls
// openCurrent() from its own click handler.
//
// Setting the directory makes it the process's current directory, rebuilds the list,
// passes the directory to the linked file list, shows it in the linked label and emits
// changed(). A directory that does not exist or cannot be entered throws SonvoxError
// (see dirscan::enterDirectory) and changes nothing.
//
// GUI thread only.

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QString>

class TKMVFileList;

class TKMVDirList : public QListWidget {
    Q_OBJECT
public:
    explicit TKMVDirList(QWidget* parent = nullptr);

    // ---- Directory ----------------------------------------------------------------------
    // Absolute, without trailing "/" (except the root). Starts as the current directory,
    // which the new list shows without entering it again.
    QString directory() const { return directory_; }
    // Relative paths are taken from the current directory.
    void setDirectory(const QString& dir);
    // Rereads the current directory's subdirectories.
    void refresh();

    // ---- Lines --------------------------------------------------------------------------
    // The directory that line `row` stands for; empty for a row that does not exist.
    QString itemPath(int row) const;
    // The row of the directory itself.
    int directoryRow() const { return directoryRow_; }
    // Makes the directory of the current line current (the design's OpenCurrent).
    void openCurrent();

    // ---- Links --------------------------------------------------------------------------
    // The file list that follows this list's directory; it is told about this list so
    // that directory changes typed into its edit come back here. Setting it passes the
    // directory at once.
    TKMVFileList* fileList() const;
    void setFileList(TKMVFileList* fileList);
    // A label showing the directory.
    QLabel* dirLabel() const { return dirLabel_; }
    void setDirLabel(QLabel* label);

signals:
    // The design's OnChange: the directory was set and the list rebuilt.
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void rebuild();

    QString directory_;
    int directoryRow_ = 0;
    QPointer<TKMVFileList> fileList_;
    QPointer<QLabel> dirLabel_;
};
