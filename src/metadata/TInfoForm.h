#pragma once
// The title-information window "Title Information": one track file's tag, the stream line
// of the track in the player and the file's cover picture, with an edit mode that writes
// the tag back into the file.
//
// It works on InfoFileName, which the opener sets (setInfoFileName) before showing the
// window modally; every showing reads the file afresh and starts in view mode. The stream
// line is not read from the file: showStreamInfo() is fed by the player's stream
// information and so always describes the track in the player.
//
// Modes: view (labels) -> "&Edit" -> edit (edit fields over the labels, cancel button in
// place of "&Edit") -> cancel -> the fields stay as typed but saving is disarmed -> "&Edit"
// arms it again. OK saves only while armed and only with an artist, then closes; closing
// by the frame saves nothing. A file that cannot be opened for writing gives "Dateizugriff
// verweigert." and stays as it was.
//
// The picture's context menu imports a cover from the clipboard or a file, deletes it or
// copies it (TInfoFormCover.cpp); coverChanged() tells the cover window.
//
// GUI thread only.

#include <QDialog>
#include <QString>
#include <functional>

class CoverImage;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class UpDown;
struct Picture;

class TInfoForm : public QDialog {
    Q_OBJECT
public:
    // Asks the user for a picture file to import; an empty name cancels.
    using PictureFileChooser = std::function<QString(QWidget* parent)>;

    static constexpr int kClientWidth = 564;
    static constexpr int kClientHeight = 254;
    static constexpr int kPictureSide = 240;  // the picture area, square
    static constexpr int kFirstYear = 1800;   // the spin control's lowest year
    static constexpr int kFieldChars = 30;    // artist, title, album, note

    explicit TInfoForm(QWidget* parent = nullptr);
    ~TInfoForm() override;

    // ---- Set by the opener before each showing ----------------------------------------
    void setInfoFileName(const QString& file) { InfoFileName = file; }
    const QString& infoFileName() const { return InfoFileName; }
    // The cover directory (ending in "/"), where covers of read-only tracks go.
    void setCoverPath(const QString& coverPath) { coverPath_ = coverPath; }
    // Sets InfoFileName and the track-length text, shows the window modally and returns
    // when it is closed.
    void showFor(const QString& file, const QString& lengthText);
    // The dialog "Cover from &File" asks with; tests replace it.
    void setPictureFileChooser(PictureFileChooser chooser) { chooseFile_ = std::move(chooser); }

public slots:
    // The player's stream information: MPEG version, layer, kbit/s and kHz as shown by the
    // player; "Stereo" for channel mode 1, "Mono" for any other.
    void showStreamInfo(const QString& mpeg, const QString& layer, const QString& kbps,
                        const QString& khz, int channelMode);

signals:
    // The cover of track was imported or deleted.
    void coverChanged(const QString& track);

public:
    // ---- Handlers -------------------------------------------------------------------------
    void FormShow();
    void BitBtn3Click();     // "&Edit"
    void BitBtn4Click();     // cancel
    void KMVButton1Click();  // OK
    void MenuCoverClipboardClick();
    void MenuCoverFileClick();
    void MenuCoverDeleteClick();
    void MenuCoverCopyClick();
    bool editArmed() const;  // OK would save

    // ---- Controls ---------------------------------------------------------------------------
    // Stream line.
    QLabel* MPEG;
    QLabel* Layer;
    QLabel* kbps;
    QLabel* kHz;
    QLabel* TTLabel;
    QLabel* StereoLab;
    // Tag: view labels and the edit fields over them.
    QLabel* IntLab;
    QLineEdit* IntEdit;
    QLabel* Titlab;
    QLineEdit* TitEdit;
    QLabel* CDtitellab;
    QLineEdit* CDEdit;
    QLabel* NoteLabel;
    QLineEdit* noteedit;
    QLabel* Stillab;
    QComboBox* StilCombo;
    QLabel* jahrlab;
    QLineEdit* JahrEdit;
    UpDown* UpDown1;
    QLabel* FileLabel;
    QPushButton* BitBtn3;  // "&Edit"
    QPushButton* BitBtn4;  // cancel
    QPushButton* BitBtn1;  // OK
    CoverImage* Image4;
    QMenu* PopupMenu4;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildStreamLine();
    QFrame* addStrip(const QRect& geometry, const QString& caption, const QString& hint = {});
    void buildMenu();
    void gettag();
    void setEditMode(bool on);
    void ChangeData();
    void Savetag();
    // Shows an imported picture and writes its JPEG data as the cover, reporting what
    // keeps it from being written.
    void importCover(const Picture& picture, const QByteArray& jpeg);

    QString InfoFileName;
    QString coverPath_;
    PictureFileChooser chooseFile_;
    QList<QLineEdit*> tagEdits_;
};
