#pragma once
// The file list of the load dialog: the names in one directory that match a mask such as
// "*.mp*;*.msf" (see FileMask for the rules), sorted without regard to case and shown as
// stored. Subdirectories appear as "[name]" when fileType() asks for them.
//
// Reading the list (setDirectory(), setMask(), setFileType(), refresh(), and the first
// showing) makes its directory the process's current directory; a directory that does
// not exist or cannot be entered leaves the list empty and throws SonvoxError (see
// dirscan::enterDirectory for the texts). Reading looks at nothing but the directory
// entries, and all rows share one picture per kind, so thousands of files list quickly.
//
// A linked line edit (setFileEdit()) shows the current entry's name, or the mask when
// nothing is current; Enter in it applies its text (applyFilePath()).
//
// The directory list that links this list (TKMVDirList::setFileList) is told about
// directory changes that start here, so both show the same directory.
//
// GUI thread only.

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "core/DirScan.h"

class TKMVDirList;

class TKMVFileList : public QListWidget {
    Q_OBJECT
public:
    explicit TKMVFileList(QWidget* parent = nullptr);
    ~TKMVFileList() override;

    // ---- What is listed -----------------------------------------------------------------
    // Absolute, without trailing "/" (except the root). Starts as the current directory.
    QString directory() const { return directory_; }
    // Relative paths are taken from the current directory. Rereads the list.
    void setDirectory(const QString& dir);
    // Default "*.*". Rereads the list when changed.
    QString mask() const { return mask_; }
    void setMask(const QString& mask);
    // Default ftNormal. Rereads the list when changed.
    FileTypes fileType() const { return fileType_; }
    void setFileType(FileTypes types);
    // Rereads the directory.
    void refresh();

    // ---- Look and input -----------------------------------------------------------------
    // Pictures beside the names; default off.
    bool showGlyphs() const { return showGlyphs_; }
    void setShowGlyphs(bool on);
    // Several entries selectable with Shift and Ctrl; default off.
    bool multiSelect() const { return multiSelect_; }
    void setMultiSelect(bool on);
    QLineEdit* fileEdit() const { return fileEdit_; }
    void setFileEdit(QLineEdit* edit);

    // ---- Selection ----------------------------------------------------------------------
    // The shown text of every selected entry, in list order (bare names; directories as
    // "[name]").
    QStringList selectedNames() const;
    // The full path of the current entry, or an empty string.
    QString fileName() const;
    // Makes the entry with exactly this name current and selects it; a name that is not
    // listed clears the selection.
    void setFileName(const QString& name);
    // What Enter in the linked edit does with its text, taken relative to directory():
    // an existing directory becomes the directory; otherwise the directory part (if any)
    // becomes the directory, and a name part with wildcards becomes the mask, while a
    // plain name selects that file (showing it by its own name as mask when the mask
    // hides it). Throws SonvoxError "Ungültiger Dateiname - <text>", changing nothing,
    // when the plain name or its directory does not exist.
    void applyFilePath(const QString& text);

    // Set by TKMVDirList::setFileList; directory changes from applyFilePath() go through
    // it.
    void setDirList(TKMVDirList* dirList);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readEntries();
    void updateFileEdit();

    QString directory_;
    QString mask_ = QStringLiteral("*.*");
    FileTypes fileType_ = ftNormal;
    bool showGlyphs_ = false;
    bool multiSelect_ = false;
    bool read_ = false;
    QPointer<QLineEdit> fileEdit_;
    QPointer<TKMVDirList> dirList_;
};
