#pragma once
// TLoadDialog, "Load Mpegs": the modal window in which the user picks what the playlist or
// the selection loads: track files, every track file of a directory, or one list file.
// With "Display Title" ticked it lists the tracks of the directory by the artist and title
// of their tags (see TitleCache) instead of by file name.
//
// Use. The main window makes the dialog once and reuses it; between showings it keeps its
// check boxes, directory, selections, title list and title cache. Before a showing the
// main window presets it (setFilterIndex, setDirectory, setFileMask, or prepare() through
// the LoadDialogSource seam), shows it with exec(), and afterwards reads the results:
// accepted(), directory(), filterIndex(), append(), displayTitle(), chosenFiles(), or all
// of them at once as choices().
//
// Showing. The OK flag is cleared, the preset mask is applied to the file list, the
// directory list reopens its current line (so new files show up) and the title list is
// brought up to date when it is in use. The file list keeps its selection across the
// reopening; setDirectory() reads the list afresh and so clears it.
//
// The title list. It lies exactly over the file list and is shown instead of it while
// "Display Title" is ticked and the filter is "Mpeg Files". When it is shown for a
// directory other than the cached one, it is emptied and filled again from the file list's
// entries, a slice of about kFillSliceMs at a time from a zero-interval timer, under the
// busy cursor; the window answers input between slices. Entries appear in their sorted
// places as they are read. Hiding the dialog abandons a fill, so the next showing fills
// the list again. For the cached directory nothing is read: files added since stay
// unlisted until another directory has been shown.
//
// OK. With the filter "Mpeg Files", a list in use that has entries of which none is
// selected brings up the question "Should the complete Directory be loaded?": Yes turns
// the filter to "Directory" and closes, No closes (nothing will be loaded), Cancel keeps
// the dialog open. A title list still filling counts as having the entries it will get.
// A double click on an entry of the file list or of the title list acts as OK.
//
// Errors. Entering a directory that does not exist, or can no longer be entered, throws
// SonvoxError from the control that tried (setDirectory(), a click in the directory list,
// the drive box, the showing), for the application's general error handler. A directory
// that has gone since the last showing is reported while the dialog shows, with its file
// and title lists empty, so the user can move on to another directory. A double click in
// the directory list does nothing beyond the single click that opened the directory.
//
// GUI thread only.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "lists/LoadDialogSource.h"
#include "lists/TitleCache.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class TKMVDirList;
class TKMVDrive;
class TKMVFileList;
class TKMVFilter;

class TLoadDialog : public QDialog {
    Q_OBJECT
public:
    // The filter box's items, label and mask, in index order (see LoadFilter).
    static inline const QString kFilter = QStringLiteral(
        "Mpeg Files|*.mp*;*.msf|Directory|zzz.zzz|"
        "Playlist|*.ply;*.m3u;*.pls|Selection|*.sel;*.m3u;*.pls");
    static inline const QString kTrackMask = QStringLiteral("*.mp*;*.msf");
    static inline const QString kPlaylistMask = QStringLiteral("*.ply;*.m3u;*.pls");
    static inline const QString kSelectionMask = QStringLiteral("*.sel;*.m3u;*.pls");
    // The client area.
    static constexpr int kWidthPx = 415;
    static constexpr int kHeightPx = 292;
    // How long one slice of the title list's fill reads tags before the window answers.
    static constexpr int kFillSliceMs = 12;

    // Starts in the process's current directory with the filter "Mpeg Files", "Append"
    // ticked, "Display Title" not ticked and an empty title cache.
    explicit TLoadDialog(QWidget* parent = nullptr);
    ~TLoadDialog() override;

    // ---- Presets, before showing --------------------------------------------------------
    // The filter index, 0 to 3 (LoadFilter); other values are ignored. Only the box changes:
    // the file list takes the mask set below when the dialog shows.
    void setFilterIndex(int index);
    // The directory list's directory, which also becomes the process's current directory.
    // Throws SonvoxError when it is not an existing directory, changing nothing.
    void setDirectory(const QString& dir);
    // The mask the file list gets when the dialog shows. Starts as kTrackMask; choosing a
    // filter in the dialog (or "Yes" to the directory question) sets it to that filter's
    // mask, so the next showing lists what the filter box says.
    void setFileMask(const QString& mask);
    QString fileMask() const { return showMask_; }
    // Forgets the directory whose titles are cached (the main window does so once when it
    // is created; a new dialog starts without one).
    void clearTitleCache();
    // All three for kind: the directory from the directory source (when one is set; this
    // throws like setDirectory() and then changes nothing), the filter and the mask.
    void prepare(LoadKind kind);

    // ---- Results, after the modal loop --------------------------------------------------
    // Closed by OK or a double click; false after Cancel or the frame's close button.
    bool accepted() const { return ok_; }
    // The directory the directory list shows: absolute, no trailing "/" except for "/".
    QString directory() const;
    int filterIndex() const;
    bool append() const;
    bool displayTitle() const;
    // The chosen files, bare names in list order: the names kept by the selected title
    // entries while the title list is in use ("Display Title" with the filter "Mpeg
    // Files"), else the selected entries of the file list.
    QStringList chosenFiles() const;
    LoadDialogResult choices() const;

    // ---- The seam of the track lists ----------------------------------------------------
    // Where prepare() takes the directory for each kind, and what storeTrackDirectory()
    // does; the main window supplies both from its settings. Without a directory source,
    // prepare() keeps the directory; without a store, storing does nothing.
    void setDirectorySource(std::function<QString(LoadKind)> directoryFor);
    void setTrackDirectoryStore(std::function<void(const QString&)> store);
    // The dialog as the track lists see it. Lives as long as the dialog.
    LoadDialogSource& source();
    // Hands dir to the track directory store.
    void storeTrackDirectory(const QString& dir);

    // ---- Title list state ---------------------------------------------------------------
    // Whether the title list is being filled now.
    bool fillingTitles() const { return titleCache_.reading(); }
    const QString& titleCacheDirectory() const { return titleCache_.directory(); }

    // ---- Controls -----------------------------------------------------------------------
    TKMVDrive* drive() const { return KMVDrive1; }
    TKMVDirList* dirList() const { return DirectoryListBox1; }
    TKMVFileList* fileList() const { return FileListBox1; }
    QListWidget* titleList() const { return ListBox1; }
    TKMVFilter* filterBox() const { return FilterComboBox1; }
    QCheckBox* appendBox() const { return CheckBox1; }
    QCheckBox* displayTitleBox() const { return CheckBox2; }
    QPushButton* okButton() const { return BitBtn1; }
    QPushButton* cancelButton() const { return BitBtn2; }

signals:
    // The title list has been filled for a directory, which is now the cached one.
    void titleListFilled();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- Handlers -----------------------------------------------------------------------
    void FormShow();
    void BitBtn1Click();
    void FileListBox1DblClick();
    void DirectoryListBox1Click();
    void KMVDrive1Change();
    void CheckBox2Click();
    void FilterComboBox1Change();
    // Brings the title list up to date for the directory list's directory.
    void Showtags();

    // Shows the title list (and fills it) or the file list, as the check box and the filter
    // say.
    void updateTitleList();
    bool titleListInUse() const;
    void fillTitleSlice();
    void stopFill();
    void setBusy(bool busy);
    // Reopens the directory list's current line, keeping the file list's selection when
    // the directory stays the same.
    void reopenDirectory();
    // Whether to load the whole directory: Yes, No or Cancel of the question.
    int askForDirectory();

    TKMVDrive* KMVDrive1;
    TKMVDirList* DirectoryListBox1;
    TKMVFileList* FileListBox1;
    QListWidget* ListBox1;
    TKMVFilter* FilterComboBox1;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    bool ok_ = false;
    QString showMask_ = kTrackMask;
    TitleCache titleCache_;
    QTimer fillTimer_;
    bool busy_ = false;
    std::function<QString(LoadKind)> directoryFor_;
    std::function<void(const QString&)> storeTrackDirectory_;
    std::unique_ptr<LoadDialogSource> source_;
};
