#pragma once
// The directory picker: the modal window "Select Directory" around the directory tree
// DirTree1, with "&OK" (the default button) and "&Cancel". The window can be minimised
// but not maximised.
//
// pick() sets the tree's directory to the starting directory, shows the window modally
// and hands back the tree's directory after "&OK": the chosen path exactly as on disk,
// ending in "/" ("/" for the file-system root). "&Cancel", Escape and the title bar's
// close button hand back an empty string, and so does "&OK" while no directory is
// selected.
//
// GUI thread only.

#include <QDialog>
#include <QString>

class QPushButton;
class TDirTree;

class TDirTreeForm : public QDialog {
    Q_OBJECT
public:
    explicit TDirTreeForm(QWidget* parent = nullptr);

    TDirTree* dirTree() const { return dirTree_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    // Throws SonvoxError "Invalid Directory Name", without showing anything, when `start`
    // is empty.
    QString pick(const QString& start);
    // What the last showing handed back.
    QString chosenDirectory() const { return chosen_; }

private:
    void OKBtnClick();
    void CancelBtnClick();

    TDirTree* dirTree_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QString chosen_;
};

// Picks a directory with a window made for this call; see TDirTreeForm::pick().
QString pickDirectory(QWidget* parent, const QString& start);
