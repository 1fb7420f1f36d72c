#pragma once
// The cover window "Cover": a square, resizable window whose picture (CoverImage) shows
// the cover of the track in the player and follows it from track to track.
//
// The window does not decide when it is shown: the main window's "&Show Cover" and
// "&Hide Cover" do, and closing it by its frame asks for "&Hide Cover" through
// closedByFrame(). Its client area is kept square (the height follows the width). Its
// place and width are saved by the main window's "Save &Positions".
//
// GUI thread only.

#include <QString>
#include <QWidget>

class CoverImage;

class TCover : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinimumSide = 32;  // client pixels

    explicit TCover(QWidget* parent = nullptr);

    // Where the window stands: the outer frame's top left and the client width.
    void place(int left, int top, int clientWidth);
    QPoint framePosition() const { return frameGeometry().topLeft(); }
    int clientWidth() const { return width(); }

    // The cover directory (ending in "/").
    void setCoverPath(const QString& coverPath) { coverPath_ = coverPath; }
    CoverImage* picture() const { return Image4; }

public slots:
    // Loads the cover of track into the picture.
    void FormShow(const QString& track);
    // The player loaded a track: a shown window loads its cover and comes to the front; a
    // hidden one stays hidden and loads nothing.
    void followTrack(const QString& track);
    // The cover of track changed on disk: a window that shows that track loads it again.
    void coverChanged(const QString& track);

signals:
    // The user closed the window by its frame.
    void closedByFrame();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CoverImage* Image4;
    QString coverPath_;
    bool squaring_ = false;
};
