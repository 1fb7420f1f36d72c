#pragma once
// TMpegDelete: the small modal window that asks whether one track file is to be deleted
// from the disk, showing the row's artist, title and the file's full path. "&No" has the focus when
// it opens;
// "&All" answers yes for this file and every further one, "&Cancel" stops the command.
// The window has no buttons of its own in its title bar; Escape, or a close from the
// window manager, counts as "&Cancel", the answer that deletes nothing.
//
// GUI thread only.

#include <QDialog>

class QLabel;
class QPushButton;

class TMpegDelete : public QDialog {
    Q_OBJECT

public:
    enum Answer {
        Yes = 1,  // delete this file
        No,       // keep it
        All,      // delete it and every further one without asking
        Cancel,   // keep it and stop
    };

    static constexpr int kClientWidth = 313;
    static constexpr int kClientHeight = 173;

    explicit TMpegDelete(QWidget* parent = nullptr);

    // Shows artist, title and path, waits for the answer and returns it. A path too long for
    // the window is shortened in the middle; its tooltip holds it whole.
    Answer ask(const QString& artist, const QString& title, const QString& path);

    // The flags of the last answer, cleared each time the window is shown.
    bool allFlag() const { return all_; }
    bool cancelFlag() const { return cancel_; }

    QLabel* Panel1;        // the artist
    QLabel* Panel2;        // the title
    QLabel* PathLabel;     // the file's path
    QPushButton* BitBtn1;  // "&Yes"
    QPushButton* BitBtn2;  // "&No"
    QPushButton* BitBtn3;  // "&All"
    QPushButton* BitBtn4;  // "&Cancel"

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BitBtn3Click();
    void BitBtn4Click();

    bool all_ = false;
    bool cancel_ = false;
};
