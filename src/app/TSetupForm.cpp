#include "TSetupForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "SonvoxApplication.h"
#include "controls/TDirTreeForm.h"
#include "core/AppSettings.h"
#include "core/FreedesktopRegistration.h"
#include "core/Paths.h"
#include "core/SonvoxError.h"
#include "core/SystemMemory.h"

namespace K = SettingsKeys;

const QString TSetupForm::kStartFileFilter = QStringLiteral(
    "All Sonvox Files|*.ply;*.sel;*.mp*;*.msf|Selection|*.sel|Playlist|*.ply|Mpegfile|*.mp*;*.msf");

namespace {

// Runs a command of the window and shows what it throws, as the general handler would.
bool reported(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const SonvoxError& e) {
        SonvoxApplication::reportError(e.message());
        return false;
    }
}

QPushButton* ellipsisButton(const char* name, QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return button;
}

QLineEdit* readOnlyField(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    return field;
}

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QSlider* cacheBar(const char* name, QWidget* parent) {
    auto* bar = named(new QSlider(Qt::Horizontal, parent), name);
    bar->setMinimum(0);
    bar->setSingleStep(1);
    bar->setTickPosition(QSlider::TicksBelow);
    return bar;
}

}  // namespace

TSetupForm::TSetupForm(Profile& settingsFile, AppSettings& settings, Host host,
                       std::unique_ptr<FileTypeRegistration> registration,
                       std::unique_ptr<PhysicalMemory> memory, QWidget* parent)
    : QDialog(parent),
      settingsFile_(settingsFile),
      settings_(settings),
      host_(std::move(host)),
      registration_(registration ? std::move(registration)
                                 : std::make_unique<FreedesktopRegistration>(
                                       QCoreApplication::applicationDirPath())),
      memory_(memory ? std::move(memory) : std::make_unique<SystemMemory>()),
      systemIni_(Paths::systemIniFile()),
      cache_(systemIni_, *memory_) {
    setWindowTitle(QStringLiteral("Setup"));
    setObjectName(QStringLiteral("SetupForm"));

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    PageControl1->addTab(buildSetupPage(), QStringLiteral("Setup"));
    PageControl1->addTab(buildStartPage(), QStringLiteral("Start"));
    PageControl1->addTab(buildSystemPage(), QStringLiteral("System"));

    BitBtn1 = named(new QPushButton(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn2 = named(new QPushButton(QStringLiteral("Abbrechen"), this), "BitBtn2");
    BitBtn1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, &TSetupForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this] { reported([this] { save(); }); });
}

TSetupForm::~TSetupForm() = default;

// ---- Pages ------------------------------------------------------------------------------

QWidget* TSetupForm::buildSetupPage() {
    auto* page = named(new QWidget, "TabSheet1");
    auto* hints = new QGroupBox(QStringLiteral(" Hints "), page);
    Hintan = named(new QRadioButton(QStringLiteral("Show &Hints"), hints), "Hintan");
    Hintaus = named(new QRadioButton(QStringLiteral("&No Hints"), hints), "Hintaus");
    auto* hintsLayout = new QHBoxLayout(hints);
    hintsLayout->addWidget(Hintan);
    hintsLayout->addWidget(Hintaus);

    auto* dirs = new QGroupBox(QStringLiteral(" Directories "), page);
    Edit1 = readOnlyField("Edit1", dirs);
    Edit2 = readOnlyField("Edit2", dirs);
    Button1 = ellipsisButton("Button1", dirs);
    Button2 = ellipsisButton("Button2", dirs);
    auto* grid = new QGridLayout(dirs);
    grid->addWidget(new QLabel(QStringLiteral("Playlist:"), dirs), 0, 0, 1, 2);
    grid->addWidget(Edit1, 1, 0);
    grid->addWidget(Button1, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Selection:"), dirs), 2, 0, 1, 2);
    grid->addWidget(Edit2, 3, 0);
    grid->addWidget(Button2, 3, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(hints);
    layout->addWidget(dirs);
    layout->addStretch(1);

    connect(Hintan, &QRadioButton::clicked, this, [this] {
        host_.setShowHints(true);
        showModes();
    });
    connect(Hintaus, &QRadioButton::clicked, this, [this] {
        host_.setShowHints(false);
        showModes();
    });
    connect(Button1, &QPushButton::clicked, this, [this] { pickDirectoryInto(Edit1); });
    connect(Button2, &QPushButton::clicked, this, [this] { pickDirectoryInto(Edit2); });
    return page;
}

QWidget* TSetupForm::buildStartPage() {
    auto* page = named(new QWidget, "TabSheet2");
    Button7 = named(new QPushButton(QStringLiteral("Register Mpeg Files"), page), "Button7");
    Button8 =
        named(new QPushButton(QStringLiteral("Clear Registered Mpeg Files"), page), "Button8");

    auto* start = new QGroupBox(QStringLiteral(" Startfile "), page);
    Edit3 = readOnlyField("Edit3", start);
    Button4 = ellipsisButton("Button4", start);
    CheckBox1 = named(new QCheckBox(QStringLiteral("Randomize Startfile"), start), "CheckBox1");
    Button6 = named(new QPushButton(QStringLiteral("Clear Startfile"), start), "Button6");
    auto* startGrid = new QGridLayout(start);
    startGrid->addWidget(Edit3, 0, 0, 1, 2);
    startGrid->addWidget(Button4, 0, 2);
    startGrid->addWidget(CheckBox1, 1, 0);
    startGrid->addWidget(Button6, 1, 1, 1, 2, Qt::AlignRight);

    auto* mode = new QGroupBox(QStringLiteral(" Modus "), page);
    autopl = named(new QRadioButton(QStringLiteral("Continuous Play"), mode), "autopl");
    autop = named(new QRadioButton(QStringLiteral("Single Play"), mode), "autop");
    auto* modeLayout = new QHBoxLayout(mode);
    modeLayout->addWidget(autopl);
    modeLayout->addWidget(autop);

    // The two registration buttons share one place; only one is ever shown.
    auto* registration = new QHBoxLayout;
    registration->addWidget(Button7);
    registration->addWidget(Button8);
    registration->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(registration);
    layout->addWidget(start);
    layout->addWidget(mode);
    layout->addStretch(1);

    connect(Button7, &QPushButton::clicked, this, &TSetupForm::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &TSetupForm::Button8Click);
    connect(Button4, &QPushButton::clicked, this, &TSetupForm::chooseStartFile);
    connect(Button6, &QPushButton::clicked, Edit3, &QLineEdit::clear);
    connect(autopl, &QRadioButton::clicked, this, [this] {
        host_.setPlayMode(PlayMode::Continuous);
        showModes();
    });
    connect(autop, &QRadioButton::clicked, this, [this] {
        host_.setPlayMode(PlayMode::Single);
        showModes();
    });
    return page;
}

QWidget* TSetupForm::buildSystemPage() {
    auto* page = named(new QWidget, "TabSheet3");
    auto* buffer = new QGroupBox(QStringLiteral(" Filebuffer "), page);
    Button3 = named(new QPushButton(QStringLiteral("Default"), buffer), "Button3");
    Button5 = named(new QPushButton(QStringLiteral("Advised"), buffer), "Button5");
    auto* bufferLayout = new QHBoxLayout(buffer);
    bufferLayout->addWidget(Button3);
    bufferLayout->addWidget(Button5);

    auto* minBox = new QGroupBox(QStringLiteral(" Min. File Cache "), page);
    RadioButton1 =
        named(new QRadioButton(QStringLiteral("System (Advised)"), minBox), "RadioButton1");
    RadioButton2 = named(new QRadioButton(QStringLiteral("User defined"), minBox), "RadioButton2");
    TrackBar1 = cacheBar("TrackBar1", minBox);
    MinLabel = named(new QLabel(minBox), "MinLabel");
    MinLabel->setAlignment(Qt::AlignCenter);
    auto* minLayout = new QGridLayout(minBox);
    minLayout->addWidget(RadioButton1, 0, 0);
    minLayout->addWidget(RadioButton2, 0, 1);
    minLayout->addWidget(TrackBar1, 1, 0, 1, 2);
    minLayout->addWidget(MinLabel, 2, 0, 1, 2);

    auto* maxBox = new QGroupBox(QStringLiteral(" Max. File Cache "), page);
    RadioButton3 = named(new QRadioButton(QStringLiteral("System"), maxBox), "RadioButton3");
    RadioButton4 =
        named(new QRadioButton(QStringLiteral("User defined (Advised)"), maxBox), "RadioButton4");
    TrackBar2 = cacheBar("TrackBar2", maxBox);
    MaxLabel = named(new QLabel(maxBox), "MaxLabel");
    MaxLabel->setAlignment(Qt::AlignCenter);
    auto* maxLayout = new QGridLayout(maxBox);
    maxLayout->addWidget(RadioButton3, 0, 0);
    maxLayout->addWidget(RadioButton4, 0, 1);
    maxLayout->addWidget(TrackBar2, 1, 0, 1, 2);
    maxLayout->addWidget(MaxLabel, 2, 0, 1, 2);

    auto* note = named(new QLabel(QStringLiteral("Linux sizes its own file cache: these values "
                                                 "are only stored."),
                                  page),
                       "CacheNote");
    note->setWordWrap(true);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(buffer);
    layout->addWidget(minBox);
    layout->addWidget(maxBox);
    layout->addWidget(note);
    layout->addStretch(1);

    connect(Button3, &QPushButton::clicked, this,
            [this] { cacheAction([this] { cache_.defaults(); }); });
    connect(Button5, &QPushButton::clicked, this,
            [this] { cacheAction([this] { cache_.advised(); }); });
    connect(RadioButton1, &QRadioButton::clicked, this,
            [this] { cacheAction([this] { cache_.chooseMinSystem(); }); });
    connect(RadioButton2, &QRadioButton::clicked, this,
            [this] { cacheAction([this] { cache_.chooseMinUser(); }); });
    connect(RadioButton3, &QRadioButton::clicked, this,
            [this] { cacheAction([this] { cache_.chooseMaxSystem(); }); });
    connect(RadioButton4, &QRadioButton::clicked, this,
            [this] { cacheAction([this] { cache_.chooseMaxUser(); }); });
    // Positions set from code are blocked in showCache(), so these see only the user's moves.
    connect(TrackBar1, &QSlider::valueChanged, this,
            [this](int mb) { cacheAction([this, mb] { cache_.moveMin(mb); }); });
    connect(TrackBar2, &QSlider::valueChanged, this,
            [this](int mb) { cacheAction([this, mb] { cache_.moveMax(mb); }); });
    return page;
}

// ---- Showing ------------------------------------------------------------------------------

void TSetupForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TSetupForm::FormShow() {
    showRegistration();
    cache_.load();
    showModes();
    Edit1->setText(settings_.Playlistpath);
    Edit2->setText(settings_.Selectionpath);
    // Read from the file, so a start file given on this run's command line is not shown.
    Edit3->setText(settingsFile_.readString(K::Setup, K::StartFile, QString()));
    CheckBox1->setChecked(settingsFile_.readBool(K::Setup, K::RandomizeStartFile, false));
    showCache();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

void TSetupForm::showRegistration() {
    const bool registered = registration_->isRegistered();
    Button8->setVisible(registered);
    Button7->setVisible(!registered);
}

void TSetupForm::showModes() {
    const bool single = host_.playMode() == PlayMode::Single;
    autop->setChecked(single);
    autopl->setChecked(!single);
    const bool hints = host_.showHints();
    Hintan->setChecked(hints);
    Hintaus->setChecked(!hints);
}

void TSetupForm::showCache() {
    const QSignalBlocker blockMin(TrackBar1);
    const QSignalBlocker blockMax(TrackBar2);
    for (QSlider* bar : {TrackBar1, TrackBar2}) {
        bar->setMaximum(cache_.rangeMb());
        bar->setTickInterval(std::max(1, cache_.rangeMb() / 16));
    }
    TrackBar1->setValue(cache_.minPosition());
    TrackBar2->setValue(cache_.maxPosition());
    TrackBar1->setEnabled(cache_.minUserDefined());
    TrackBar2->setEnabled(cache_.maxUserDefined());
    MinLabel->setText(FileCacheModel::label(cache_.minKb()));
    MaxLabel->setText(FileCacheModel::label(cache_.maxKb()));
    RadioButton2->setChecked(cache_.minUserDefined());
    RadioButton1->setChecked(!cache_.minUserDefined());
    RadioButton4->setChecked(cache_.maxUserDefined());
    RadioButton3->setChecked(!cache_.maxUserDefined());
}

void TSetupForm::cacheAction(const std::function<void()>& action) {
    action();
    showCache();
}

// ---- Saving -------------------------------------------------------------------------------

void TSetupForm::BitBtn1Click() {
    if (reported([this] { save(); })) {
        accept();
    }
}

bool TSetupForm::save() {
    settingsFile_.writeString(K::Setup, K::Selectionpath, Edit2->text());
    settingsFile_.writeString(K::Setup, K::Playlistpath, Edit1->text());
    settingsFile_.writeString(K::Setup, K::StartFile, Edit3->text());
    settingsFile_.writeBool(K::Setup, K::RandomizeStartFile, CheckBox1->isChecked());
    settings_.Selectionpath = Edit2->text();
    settings_.Playlistpath = Edit1->text();
    // Nothing acts on the file-cache sizes, so a change asks for no restart.
    return cache_.save();
}

// ---- Directories and start file -----------------------------------------------------------

void TSetupForm::pickDirectoryInto(QLineEdit* field) {
    reported([this, field] {
        const QString chosen = pickDirectory(this, field->text());
        if (!chosen.isEmpty()) {
            field->setText(chosen);
        }
    });
}

QStringList TSetupForm::nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString masks = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(' ');
        filters.append(parts[i] + QStringLiteral(" (") + masks + QLatin1Char(')'));
    }
    return filters;
}

QFileDialog& TSetupForm::startFileDialog() {
    if (!startFileDialog_) {
        startFileDialog_ = new QFileDialog(this, QStringLiteral("Startfile"));
        startFileDialog_->setObjectName(QStringLiteral("OpenDialog1"));
        startFileDialog_->setOption(QFileDialog::DontUseNativeDialog);
        startFileDialog_->setFileMode(QFileDialog::ExistingFile);
        startFileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
        startFileDialog_->setNameFilters(nameFilters(kStartFileFilter));
    }
    return *startFileDialog_;
}

void TSetupForm::chooseStartFile() {
    QFileDialog& dialog = startFileDialog();
    if (!Edit3->text().isEmpty()) {
        dialog.selectFile(Edit3->text());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        Edit3->setText(dialog.selectedFiles().constFirst());
    }
}

// ---- Registration -------------------------------------------------------------------------

void TSetupForm::Button7Click() {
    Button7->hide();
    if (registrationCommand([this] { registration_->registerTypes(); })) {
        Button8->show();
    }
}

void TSetupForm::Button8Click() {
    Button8->hide();
    if (registrationCommand([this] { registration_->unregisterTypes(); })) {
        Button7->show();
    }
}

// The system's database tools may take a moment. After a failure the button that fits what
// is now on disk comes back, so the user can try again or undo what was written.
bool TSetupForm::registrationCommand(const std::function<void()>& command) {
    QString error;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        command();
    } catch (const SonvoxError& e) {
        error = e.message();
    }
    QGuiApplication::restoreOverrideCursor();
    if (error.isEmpty()) {
        return true;
    }
    SonvoxApplication::reportError(error);
    showRegistration();
    return false;
}
