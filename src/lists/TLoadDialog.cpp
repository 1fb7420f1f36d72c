#include "TLoadDialog.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyle>

#include "controls/TKMVDirList.h"
#include "controls/TKMVDrive.h"
#include "controls/TKMVFileList.h"
#include "controls/TKMVFilter.h"
#include "core/SonvoxError.h"

namespace {

// The bare file name a title entry was read from.
constexpr int kFileNameRole = Qt::UserRole;

// Where the controls lie in the 415 x 292 client area: the file list (with the title list
// over it) and the filter box on the left, where titles need the room; the directory list,
// the drive box, the check boxes and the buttons on the right.
constexpr QRect kFileListRect(8, 8, 232, 244);
constexpr QRect kFilterRect(8, 260, 232, 25);
constexpr QRect kDirListRect(248, 8, 159, 162);
constexpr QRect kDriveRect(248, 176, 159, 25);
constexpr QRect kAppendRect(248, 207, 159, 20);
constexpr QRect kDisplayTitleRect(248, 232, 159, 20);
constexpr QRect kOkRect(248, 260, 76, 25);
constexpr QRect kCancelRect(331, 260, 76, 25);

// The LoadDialogSource seam over the dialog.
class DialogSource final : public LoadDialogSource {
public:
    explicit DialogSource(TLoadDialog& dialog) : dialog_(dialog) {}

    void prepare(LoadKind kind) override { dialog_.prepare(kind); }
    LoadDialogResult exec() override {
        dialog_.exec();
        return dialog_.choices();
    }
    bool appendTicked() const override { return dialog_.append(); }
    void storeTrackDirectory(const QString& dir) override { dialog_.storeTrackDirectory(dir); }

private:
    TLoadDialog& dialog_;
};

}  // namespace

TLoadDialog::TLoadDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      KMVDrive1(nullptr),
      DirectoryListBox1(nullptr),
      FileListBox1(nullptr),
      ListBox1(nullptr),
      FilterComboBox1(nullptr),
      CheckBox1(nullptr),
      CheckBox2(nullptr),
      BitBtn1(nullptr),
      BitBtn2(nullptr),
      source_(std::make_unique<DialogSource>(*this)) {
    setWindowTitle(QStringLiteral("Load Mpegs"));
    setFixedSize(kWidthPx, kHeightPx);

    // Created in tab order.
    FileListBox1 = new TKMVFileList(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setGeometry(kFileListRect);
    FileListBox1->setMultiSelect(true);
    FileListBox1->setMask(showMask_);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(kFileListRect);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->hide();

    FilterComboBox1 = new TKMVFilter(this);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->setGeometry(kFilterRect);
    FilterComboBox1->setFilter(kFilter);
    FilterComboBox1->setFileList(FileListBox1);

    DirectoryListBox1 = new TKMVDirList(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setGeometry(kDirListRect);
    DirectoryListBox1->setFileList(FileListBox1);
    DirectoryListBox1->viewport()->installEventFilter(this);

    KMVDrive1 = new TKMVDrive(this);
    KMVDrive1->setObjectName(QStringLiteral("KMVDrive1"));
    KMVDrive1->setGeometry(kDriveRect);
    KMVDrive1->setDirList(DirectoryListBox1);

    CheckBox1 = new QCheckBox(QStringLiteral("Append"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(kAppendRect);
    CheckBox1->setChecked(true);

    CheckBox2 = new QCheckBox(QStringLiteral("Display Title"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(kDisplayTitleRect);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(kOkRect);
    BitBtn1->setDefault(true);

    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(kCancelRect);

    fillTimer_.setInterval(0);
    connect(&fillTimer_, &QTimer::timeout, this, &TLoadDialog::fillTitleSlice);

    connect(BitBtn1, &QPushButton::clicked, this, &TLoadDialog::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(FileListBox1, &QAbstractItemView::doubleClicked, this,
            &TLoadDialog::FileListBox1DblClick);
    connect(ListBox1, &QAbstractItemView::doubleClicked, this, &TLoadDialog::FileListBox1DblClick);
    FileListBox1->viewport()->installEventFilter(this);
    ListBox1->viewport()->installEventFilter(this);
    connect(DirectoryListBox1, &QAbstractItemView::clicked, this,
            &TLoadDialog::DirectoryListBox1Click);
    connect(KMVDrive1, &TKMVDrive::changed, this, &TLoadDialog::KMVDrive1Change);
    connect(CheckBox2, &QCheckBox::clicked, this, &TLoadDialog::CheckBox2Click);
    connect(FilterComboBox1, &TKMVFilter::changed, this, &TLoadDialog::FilterComboBox1Change);
}

TLoadDialog::~TLoadDialog() {
    setBusy(false);
}

// ---- Presets --------------------------------------------------------------------------------

void TLoadDialog::setFilterIndex(int index) {
    if (index < 0 || index >= FilterComboBox1->count()) {
        return;
    }
    FilterComboBox1->setCurrentIndex(index);
    if (isVisible()) {
        updateTitleList();
    }
}

void TLoadDialog::setDirectory(const QString& dir) {
    DirectoryListBox1->setDirectory(dir);
    if (isVisible()) {
        updateTitleList();
    }
}

void TLoadDialog::setFileMask(const QString& mask) {
    showMask_ = mask;
}

void TLoadDialog::clearTitleCache() {
    stopFill();
    titleCache_.clear();
}

void TLoadDialog::prepare(LoadKind kind) {
    int index = LoadFilter::MpegFiles;
    QString mask = kTrackMask;
    switch (kind) {
        case LoadKind::Tracks:
            break;
        case LoadKind::Playlist:
            index = LoadFilter::Playlist;
            mask = kPlaylistMask;
            break;
        case LoadKind::Selection:
            index = LoadFilter::Selection;
            mask = kSelectionMask;
            break;
    }
    if (directoryFor_) {
        setDirectory(directoryFor_(kind));
    }
    setFilterIndex(index);
    setFileMask(mask);
}

// ---- Results --------------------------------------------------------------------------------

QString TLoadDialog::directory() const {
    return DirectoryListBox1->directory();
}

int TLoadDialog::filterIndex() const {
    return FilterComboBox1->currentIndex();
}

bool TLoadDialog::append() const {
    return CheckBox1->isChecked();
}

bool TLoadDialog::displayTitle() const {
    return CheckBox2->isChecked();
}

QStringList TLoadDialog::chosenFiles() const {
    if (!titleListInUse()) {
        return FileListBox1->selectedNames();
    }
    QStringList names;
    for (int row = 0; row < ListBox1->count(); ++row) {
        const QListWidgetItem* entry = ListBox1->item(row);
        if (entry->isSelected()) {
            names.append(entry->data(kFileNameRole).toString());
        }
    }
    return names;
}

LoadDialogResult TLoadDialog::choices() const {
    LoadDialogResult result;
    result.accepted = accepted();
    result.directory = directory();
    result.filterIndex = filterIndex();
    result.append = append();
    result.displayTitle = displayTitle();
    result.chosen = chosenFiles();
    return result;
}

// ---- Seam -----------------------------------------------------------------------------------

void TLoadDialog::setDirectorySource(std::function<QString(LoadKind)> directoryFor) {
    directoryFor_ = std::move(directoryFor);
}

void TLoadDialog::setTrackDirectoryStore(std::function<void(const QString&)> store) {
    storeTrackDirectory_ = std::move(store);
}

LoadDialogSource& TLoadDialog::source() {
    return *source_;
}

void TLoadDialog::storeTrackDirectory(const QString& dir) {
    if (storeTrackDirectory_) {
        storeTrackDirectory_(dir);
    }
}

// ---- Showing --------------------------------------------------------------------------------

void TLoadDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TLoadDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        stopFill();
    }
}

void TLoadDialog::FormShow() {
    ok_ = false;
    // The directory is read again before the title list looks at the file list, so the
    // titles are those of the files there now. Should the directory be gone, the error is
    // reported once the lists are in a consistent state.
    try {
        FileListBox1->setMask(showMask_);
        reopenDirectory();
    } catch (const SonvoxError&) {
        try {
            FileListBox1->refresh();  // empties the list of the directory that has gone
        } catch (const SonvoxError&) {
        }
        clearTitleCache();
        updateTitleList();
        throw;
    }
    updateTitleList();
}

void TLoadDialog::reopenDirectory() {
    const QString before = DirectoryListBox1->directory();
    const QStringList selected = FileListBox1->selectedNames();
    DirectoryListBox1->openCurrent();
    if (selected.isEmpty() || DirectoryListBox1->directory() != before) {
        return;
    }
    const QSet<QString> keep(selected.begin(), selected.end());
    for (int row = 0; row < FileListBox1->count(); ++row) {
        QListWidgetItem* entry = FileListBox1->item(row);
        if (keep.contains(entry->text())) {
            entry->setSelected(true);
        }
    }
}

// ---- Handlers -------------------------------------------------------------------------------

void TLoadDialog::BitBtn1Click() {
    ok_ = false;
    if (filterIndex() == LoadFilter::MpegFiles) {
        const QListWidget* inUse = titleListInUse() ? ListBox1 : FileListBox1;
        // A title list still filling will hold an entry per file of the file list.
        const bool hasEntries = inUse->count() > 0 ||
                                (inUse == ListBox1 && fillingTitles() && FileListBox1->count() > 0);
        if (hasEntries && inUse->selectedItems().isEmpty()) {
            switch (askForDirectory()) {
                case QMessageBox::Cancel:
                    return;
                case QMessageBox::Yes:
                    FilterComboBox1->setCurrentIndex(LoadFilter::Directory);
                    showMask_ = FilterComboBox1->mask();
                    break;
                default:
                    break;
            }
        }
    }
    ok_ = true;
    accept();
}

int TLoadDialog::askForDirectory() {
    QMessageBox question(QMessageBox::Question, QStringLiteral("No Mpeg File selected!"),
                         QStringLiteral("Should the complete Directory be loaded?"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    question.setDefaultButton(QMessageBox::Yes);
    question.setEscapeButton(QMessageBox::Cancel);
    return question.exec();
}

void TLoadDialog::FileListBox1DblClick() {
    BitBtn1Click();
}

void TLoadDialog::DirectoryListBox1Click() {
    DirectoryListBox1->openCurrent();
    updateTitleList();
}

void TLoadDialog::KMVDrive1Change() {
    // The drive box has already made its volume the directory list's directory.
    updateTitleList();
}

void TLoadDialog::CheckBox2Click() {
    updateTitleList();
}

void TLoadDialog::FilterComboBox1Change() {
    showMask_ = FilterComboBox1->mask();
    updateTitleList();
}

bool TLoadDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // A single click already opens a directory and rebuilds the directory list, so the
    // second click of a double click would land on whatever line has moved under the
    // pointer; it is dropped.
    if (watched == DirectoryListBox1->viewport()) {
        return true;
    }
    // Only the left button's double click acts as OK.
    if ((watched == FileListBox1->viewport() || watched == ListBox1->viewport()) &&
        mouse->button() != Qt::LeftButton) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Title list -----------------------------------------------------------------------------

bool TLoadDialog::titleListInUse() const {
    return CheckBox2->isChecked() && filterIndex() == LoadFilter::MpegFiles;
}

void TLoadDialog::updateTitleList() {
    if (titleListInUse()) {
        const bool hadFocus = FileListBox1->hasFocus();
        ListBox1->show();
        ListBox1->raise();
        FileListBox1->hide();
        if (hadFocus) {
            ListBox1->setFocus();
        }
        Showtags();
    } else {
        const bool hadFocus = ListBox1->hasFocus();
        FileListBox1->show();
        ListBox1->hide();
        if (hadFocus) {
            FileListBox1->setFocus();
        }
    }
}

void TLoadDialog::Showtags() {
    const QString dir = DirectoryListBox1->directory();
    if (titleCache_.directory() == dir || titleCache_.reading(dir)) {
        return;
    }
    QStringList names;
    names.reserve(FileListBox1->count());
    for (int row = 0; row < FileListBox1->count(); ++row) {
        names.append(FileListBox1->item(row)->text());
    }
    ListBox1->clear();
    titleCache_.start(dir, names);
    setBusy(true);
    fillTimer_.start();
}

void TLoadDialog::fillTitleSlice() {
    const std::vector<TitleEntry> entries =
        titleCache_.readSlice(std::chrono::milliseconds(kFillSliceMs));
    for (const TitleEntry& entry : entries) {
        // After every equal text, so that equal titles keep the order of their files.
        int low = 0;
        int high = ListBox1->count();
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (titleLess(entry.text, ListBox1->item(middle)->text())) {
                high = middle;
            } else {
                low = middle + 1;
            }
        }
        auto* item = new QListWidgetItem(entry.text);
        item->setData(kFileNameRole, entry.fileName);
        ListBox1->insertItem(low, item);
    }
    if (!titleCache_.reading()) {
        fillTimer_.stop();
        setBusy(false);
        emit titleListFilled();
    }
}

void TLoadDialog::stopFill() {
    fillTimer_.stop();
    titleCache_.abandon();
    setBusy(false);
}

void TLoadDialog::setBusy(bool busy) {
    if (busy == busy_) {
        return;
    }
    busy_ = busy;
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}
