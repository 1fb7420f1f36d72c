#pragma once
// The setup window "Setup", opened modally from the main window's Help menu. Three pages:
// "Setup" (tooltips, the playlist and selection directories), "Start" (file-type
// registration, the start file, the play mode) and "System" (the file-cache sizes, which
// only are stored: the system sizes its own file cache).
//
// - Every showing refreshes every control from the settings file, AppSettings, the main
//   window's commands, the registration and the "system.INI" stand-in.
// - The play-mode and tooltip buttons act at once through the main window's commands
//   (Host); "Abbrechen" does not undo them.
// - "OK" and every change of page save the directories, the start file, its randomize flag
//   and the file-cache sizes; "Abbrechen" closes without saving. A save that fails is
//   reported and keeps the window open.
// - "Register Mpeg Files" and "Clear Registered Mpeg Files" stand in one place; the one
//   that fits the registration is shown.
//
// The window holds no setting of its own: the fields are what the user is editing, the
// file-cache page shows a FileCacheModel. GUI thread only.

#include <QDialog>
#include <functional>
#include <memory>

#include "core/FileCacheModel.h"
#include "core/PlayMode.h"
#include "core/Profile.h"

struct AppSettings;
class FileTypeRegistration;
class PhysicalMemory;
class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

class TSetupForm : public QDialog {
    Q_OBJECT
public:
    // The main window's side: what is in force, and its commands (each writes its key and
    // reports its own errors).
    struct Host {
        std::function<PlayMode()> playMode;
        std::function<bool()> showHints;
        std::function<void(PlayMode)> setPlayMode;
        std::function<void(bool)> setShowHints;
    };

    // settingsFile is "KMV.INI"; registration and memory default to this desktop's and
    // this machine's; the "system.INI" stand-in is the one in the settings directory.
    TSetupForm(Profile& settingsFile, AppSettings& settings, Host host,
               std::unique_ptr<FileTypeRegistration> registration = nullptr,
               std::unique_ptr<PhysicalMemory> memory = nullptr, QWidget* parent = nullptr);
    ~TSetupForm() override;

    // The start-file chooser's filter, in the "Label|mask;mask|..." form.
    static const QString kStartFileFilter;
    // The same in QFileDialog's form.
    static QStringList nameFilters(const QString& filter);

    // The start-file chooser, made on first use and kept.
    QFileDialog& startFileDialog();
    const FileCacheModel& cache() const { return cache_; }

    // ---- Controls ----------------------------------------------------------------------
    QTabWidget* PageControl1;
    QPushButton* BitBtn1;  // "OK"
    QPushButton* BitBtn2;  // "Abbrechen"
    // Page "Setup"
    QRadioButton* Hintan;
    QRadioButton* Hintaus;
    QLineEdit* Edit1;  // playlist directory
    QPushButton* Button1;
    QLineEdit* Edit2;  // selection directory
    QPushButton* Button2;
    // Page "Start"
    QPushButton* Button7;  // "Register Mpeg Files"
    QPushButton* Button8;  // "Clear Registered Mpeg Files"
    QLineEdit* Edit3;      // start file
    QPushButton* Button4;
    QCheckBox* CheckBox1;  // "Randomize Startfile"
    QPushButton* Button6;  // "Clear Startfile"
    QRadioButton* autopl;  // "Continuous Play"
    QRadioButton* autop;   // "Single Play"
    // Page "System"
    QPushButton* Button3;        // "Default"
    QPushButton* Button5;        // "Advised"
    QRadioButton* RadioButton1;  // minimum: "System (Advised)"
    QRadioButton* RadioButton2;  // minimum: "User defined"
    QSlider* TrackBar1;
    QLabel* MinLabel;
    QRadioButton* RadioButton3;  // maximum: "System"
    QRadioButton* RadioButton4;  // maximum: "User defined (Advised)"
    QSlider* TrackBar2;
    QLabel* MaxLabel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildSetupPage();
    QWidget* buildStartPage();
    QWidget* buildSystemPage();
    void FormShow();
    void BitBtn1Click();
    bool save();
    void pickDirectoryInto(QLineEdit* field);
    void chooseStartFile();
    void Button7Click();
    void Button8Click();
    bool registrationCommand(const std::function<void()>& command);
    void showRegistration();
    void showModes();
    void showCache();
    void cacheAction(const std::function<void()>& action);

    Profile& settingsFile_;
    AppSettings& settings_;
    Host host_;
    std::unique_ptr<FileTypeRegistration> registration_;
    std::unique_ptr<PhysicalMemory> memory_;
    Profile systemIni_;
    FileCacheModel cache_;
    QFileDialog* startFileDialog_ = nullptr;
};
