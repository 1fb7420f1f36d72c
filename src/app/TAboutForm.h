#pragma once
// The About window of the Help menu: the program's name and version, the libraries it runs
// with (as the running process sees them) and their licences, and the settings and data
// folders in use. Every text can be selected and copied. Made on first use, modal.
//
// GUI thread only.

#include <QDialog>

class QTextBrowser;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // What the window shows, as plain text (one line per fact).
    QString text() const;

private:
    QTextBrowser* body_;
};
