#include "TInfoForm.h"

#include <QComboBox>
#include <QDate>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

#include "CoverImage.h"
#include "ReportError.h"
#include "UpDown.h"
#include "core/GenreTable.h"
#include "core/Id3v1Tag.h"
#include "core/SonvoxError.h"

// Layout of the client area (564 x 254): a column of captioned strips 305 pixels wide at
// the left, top to bottom the stream line, artist, title, album, note, genre and year, the
// file and the buttons; the 240 x 240 picture inside its bevel at the right.

namespace {

constexpr int kColumnLeft = 4;
constexpr int kColumnWidth = 305;
constexpr int kStripHeight = 21;
constexpr int kRowPitch = 24;
constexpr int kStreamTop = 5;
constexpr int kArtistTop = kStreamTop + kRowPitch;
constexpr int kGenreTop = kArtistTop + 4 * kRowPitch;
constexpr int kFileTop = kGenreTop + kRowPitch;
constexpr int kFileHeight = 36;
constexpr int kButtonTop = kFileTop + kFileHeight + 4;
constexpr int kButtonHeight = 25;
constexpr int kYearStripWidth = 100;
constexpr int kSpinWidth = 16;

const QColor kGround(0, 0, 0);
const QColor kTextColour(0x90, 0xff, 0x90);
const QColor kCaptionColour(0xff, 0x40, 0x40);

QFont boldFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

void paint(QWidget* widget, const QColor& text, const QColor& ground) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Window, ground);
    palette.setColor(QPalette::Base, ground);
    widget->setPalette(palette);
}

QLabel* valueLabel(QWidget* parent, const QRect& geometry, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setFont(boldFont(11));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setToolTip(parent->toolTip());
    paint(label, kTextColour, kGround);
    return label;
}

QLineEdit* tagEdit(QWidget* parent, const QRect& geometry, int maxChars) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setFont(boldFont(11));
    edit->setFrame(false);
    edit->setMaxLength(maxChars);
    paint(edit, kTextColour, QColor(0x20, 0x20, 0x20));
    edit->hide();
    return edit;
}

}  // namespace

TInfoForm::TInfoForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(QStringLiteral("Title Information"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    buildStreamLine();

    const auto tagRow = [this](int row, const QString& caption, QLabel*& label, QLineEdit*& edit) {
        QFrame* strip = addStrip(
            QRect(kColumnLeft, kArtistTop + row * kRowPitch, kColumnWidth, kStripHeight), caption);
        const int left = strip->property("valueLeft").toInt();
        const QRect value(left, 0, strip->width() - left - 2, strip->height());
        label = valueLabel(strip, value, Qt::AlignLeft);
        edit = tagEdit(strip, value, kFieldChars);
        tagEdits_.append(edit);
    };
    tagRow(0, QStringLiteral(" Artist:"), IntLab, IntEdit);
    tagRow(1, QStringLiteral(" Title:"), Titlab, TitEdit);
    tagRow(2, QStringLiteral(" Album:"), CDtitellab, CDEdit);
    tagRow(3, QStringLiteral(" Note:"), NoteLabel, noteedit);
    IntEdit->setObjectName(QStringLiteral("IntEdit"));
    TitEdit->setObjectName(QStringLiteral("TitEdit"));
    CDEdit->setObjectName(QStringLiteral("CDEdit"));
    noteedit->setObjectName(QStringLiteral("noteedit"));
    for (QLineEdit* edit : tagEdits_) {
        edit->installEventFilter(this);
    }

    // Genre and year share a row.
    const int genreWidth = kColumnWidth - kYearStripWidth - 3;
    QFrame* genre = addStrip(QRect(kColumnLeft, kGenreTop, genreWidth, kStripHeight),
                             QStringLiteral(" Genre:"));
    const int genreLeft = genre->property("valueLeft").toInt();
    const QRect genreValue(genreLeft, 0, genre->width() - genreLeft - 2, genre->height());
    Stillab = valueLabel(genre, genreValue, Qt::AlignLeft);
    StilCombo = new QComboBox(genre);
    StilCombo->setObjectName(QStringLiteral("StilCombo"));
    StilCombo->setGeometry(genreValue);
    StilCombo->setFont(boldFont(11));
    StilCombo->setMaxVisibleItems(20);
    QStringList names = GenreTable::names();
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    StilCombo->addItems(names);
    StilCombo->setCurrentIndex(-1);
    StilCombo->hide();

    QFrame* year = addStrip(QRect(kColumnLeft + kColumnWidth - kYearStripWidth, kGenreTop,
                                  kYearStripWidth, kStripHeight),
                            QStringLiteral(" Year:"));
    const int yearLeft = year->property("valueLeft").toInt();
    const QRect yearValue(yearLeft, 0, year->width() - yearLeft - kSpinWidth - 2, year->height());
    jahrlab = valueLabel(year, yearValue, Qt::AlignLeft);
    JahrEdit = tagEdit(year, yearValue, Id3v1Block::kYearWidth);
    JahrEdit->setObjectName(QStringLiteral("JahrEdit"));
    UpDown1 = new UpDown(year);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(year->width() - kSpinWidth - 1, 1, kSpinWidth, year->height() - 2);
    UpDown1->setBuddy(JahrEdit);
    UpDown1->setRange(kFirstYear, QDate::currentDate().year());
    UpDown1->hide();

    QFrame* file =
        addStrip(QRect(kColumnLeft, kFileTop, kColumnWidth, kFileHeight), QStringLiteral(" File:"));
    const int fileLeft = file->property("valueLeft").toInt();
    FileLabel = valueLabel(file, QRect(fileLeft, 0, file->width() - fileLeft - 2, file->height()),
                           Qt::AlignLeft);
    FileLabel->setFont(boldFont(10));
    FileLabel->setWordWrap(true);
    FileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const int buttonWidth = (kColumnWidth - 4) / 2;
    BitBtn3 = new QPushButton(QStringLiteral("&Edit"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn4 = new QPushButton(QStringLiteral("&Cancel"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn3->setGeometry(kColumnLeft, kButtonTop, buttonWidth, kButtonHeight);
    BitBtn4->setGeometry(BitBtn3->geometry());
    BitBtn1->setGeometry(kColumnLeft + kColumnWidth - buttonWidth, kButtonTop, buttonWidth,
                         kButtonHeight);
    BitBtn1->setDefault(true);
    BitBtn4->hide();
    connect(BitBtn3, &QPushButton::clicked, this, &TInfoForm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TInfoForm::BitBtn4Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TInfoForm::KMVButton1Click);

    Image4 = new CoverImage(this);
    const int bevel = Image4->frameWidth();
    Image4->setGeometry(kClientWidth - kPictureSide - 2 * bevel - 6, 5, kPictureSide + 2 * bevel,
                        kPictureSide + 2 * bevel);
    connect(Image4, &CoverImage::loadFailed, this, &reportError);
    buildMenu();
}

TInfoForm::~TInfoForm() = default;

void TInfoForm::buildStreamLine() {
    // Widths of the six fields; together with their gaps they fill the column.
    struct Field {
        int width;
        QString caption;
        bool captionFirst;
        QString hint;
        QLabel** label;
    };
    const Field fields[] = {
        {52, QStringLiteral(" MPEG"), true, QStringLiteral("MPEG"), &MPEG},
        {50, QStringLiteral(" Layer"), true, QStringLiteral("Layer"), &Layer},
        {58, QStringLiteral("kbps "), false, QStringLiteral("Abtastrate"), &kbps},
        {50, QStringLiteral("kHz "), false, QStringLiteral("Abtastfrequenz"), &kHz},
        {40, QString(), true, QStringLiteral("Titellänge"), &TTLabel},
        {50, QString(), true, QString(), &StereoLab},
    };
    int x = kColumnLeft;
    for (const Field& f : fields) {
        QFrame* strip = addStrip(QRect(x, kStreamTop, f.width, kStripHeight),
                                 f.captionFirst ? f.caption : QString(), f.hint);
        if (f.captionFirst) {
            const int left = strip->property("valueLeft").toInt();
            *f.label = valueLabel(strip, QRect(left, 0, f.width - left - 2, kStripHeight),
                                  f.caption.isEmpty() ? Qt::AlignHCenter : Qt::AlignLeft);
        } else {
            auto* caption = new QLabel(f.caption, strip);
            caption->setFont(boldFont(10));
            paint(caption, kCaptionColour, kGround);
            const int captionWidth = QFontMetrics(caption->font()).horizontalAdvance(f.caption) + 1;
            caption->setGeometry(f.width - captionWidth, 0, captionWidth, kStripHeight);
            caption->setToolTip(f.hint);
            *f.label = valueLabel(strip, QRect(0, 0, f.width - captionWidth - 3, kStripHeight),
                                  Qt::AlignRight);
        }
        x += f.width + 1;
    }
    MPEG->setObjectName(QStringLiteral("MPEG"));
    StereoLab->setObjectName(QStringLiteral("StereoLab"));
}

// A black strip with its red caption at the left; the value starts at "valueLeft".
QFrame* TInfoForm::addStrip(const QRect& geometry, const QString& caption, const QString& hint) {
    auto* strip = new QFrame(this);
    strip->setGeometry(geometry);
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    strip->setAutoFillBackground(true);
    strip->setToolTip(hint);
    paint(strip, kTextColour, kGround);
    int valueLeft = 3;
    if (!caption.isEmpty()) {
        auto* label = new QLabel(caption, strip);
        label->setFont(boldFont(10));
        paint(label, kCaptionColour, kGround);
        const int width = QFontMetrics(label->font()).horizontalAdvance(caption) + 3;
        label->setGeometry(1, 0, width, geometry.height());
        label->setToolTip(hint);
        valueLeft = width + 2;
    }
    strip->setProperty("valueLeft", valueLeft);
    return strip;
}

void TInfoForm::buildMenu() {
    PopupMenu4 = new QMenu(Image4);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    PopupMenu4->addAction(QStringLiteral("Cover from &Clipboard"), this,
                          &TInfoForm::MenuCoverClipboardClick);
    PopupMenu4->addAction(QStringLiteral("Cover from &File"), this, &TInfoForm::MenuCoverFileClick);
    PopupMenu4->addAction(QStringLiteral("&Delete Cover"), this, &TInfoForm::MenuCoverDeleteClick);
    PopupMenu4->addAction(QStringLiteral("C&opy Cover"), this, &TInfoForm::MenuCoverCopyClick);
    Image4->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Image4, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu4->popup(Image4->mapToGlobal(at)); });
}

// ---- Opening ------------------------------------------------------------------------------

void TInfoForm::showFor(const QString& file, const QString& lengthText) {
    InfoFileName = file;
    TTLabel->setText(lengthText);
    exec();
}

void TInfoForm::showEvent(QShowEvent* event) {
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    FormShow();
    QDialog::showEvent(event);
}

void TInfoForm::FormShow() {
    FileLabel->setText(InfoFileName);
    for (QLabel* label : {IntLab, Titlab, CDtitellab, NoteLabel, Stillab, jahrlab}) {
        label->clear();
    }
    for (QLineEdit* edit : tagEdits_) {
        edit->clear();
    }
    JahrEdit->clear();
    StilCombo->setCurrentIndex(-1);
    Image4->loadCoverOf(InfoFileName, coverPath_);
    StilCombo->hide();
    UpDown1->setRange(kFirstYear, QDate::currentDate().year());
    gettag();
    setEditMode(false);
    BitBtn3->setEnabled(true);
    BitBtn3->setFocus();
}

void TInfoForm::gettag() {
    InfoTag tag;
    try {
        tag = readInfoTag(InfoFileName);
    } catch (const SonvoxError& e) {
        reportError(e.message());
        return;
    }
    const auto show = [](QLabel* label, QLineEdit* edit, const QString& text) {
        label->setText(text);
        edit->setText(text);
    };
    show(IntLab, IntEdit, tag.artist);
    show(Titlab, TitEdit, tag.title);
    show(CDtitellab, CDEdit, tag.album);
    show(NoteLabel, noteedit, tag.comment);
    show(jahrlab, JahrEdit, tag.year);
    bool isNumber = false;
    const int year = tag.year.toInt(&isNumber);
    UpDown1->setPosition(isNumber ? year : 0);
    const QString genre = GenreTable::name(tag.genre);
    StilCombo->setCurrentIndex(
        genre.isEmpty() ? -1
                        : StilCombo->findText(genre, Qt::MatchExactly | Qt::MatchCaseSensitive));
    Stillab->setText(StilCombo->currentIndex() >= 0 ? genre : QString());
}

// ---- Modes and saving ----------------------------------------------------------------------

void TInfoForm::setEditMode(bool on) {
    for (QLineEdit* edit : tagEdits_) {
        edit->setVisible(on);
    }
    JahrEdit->setVisible(on);
    UpDown1->setVisible(on);
    StilCombo->setVisible(on);
    BitBtn4->setVisible(on);
    BitBtn3->setVisible(!on);
}

bool TInfoForm::editArmed() const {
    return !BitBtn4->isHidden();
}

void TInfoForm::BitBtn3Click() {
    setEditMode(true);
    IntEdit->setFocus();
}

void TInfoForm::BitBtn4Click() {
    BitBtn4->hide();
    BitBtn3->show();
    BitBtn3->setFocus();
}

void TInfoForm::KMVButton1Click() {
    if (editArmed()) {
        ChangeData();
    }
    BitBtn3->show();
    BitBtn4->hide();
    accept();
}

void TInfoForm::ChangeData() {
    if (!IntEdit->text().isEmpty()) {
        Savetag();
    }
}

void TInfoForm::Savetag() {
    TagFields fields;
    fields.artist = IntEdit->text();
    fields.title = TitEdit->text();
    fields.album = CDEdit->text();
    fields.comment = noteedit->text();
    fields.year = JahrEdit->text();
    fields.genreName = StilCombo->currentIndex() >= 0 ? StilCombo->currentText() : QString();
    try {
        if (saveTag(InfoFileName, fields) == SaveTagResult::AccessDenied) {
            QMessageBox::critical(this, kAccessDeniedCaption, kAccessDeniedText);
        }
    } catch (const SonvoxError& e) {
        reportError(e.message());
    }
}

// A double click in a tag field selects the whole field, not a word.
bool TInfoForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && tagEdits_.contains(edit)) {
            edit->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TInfoForm::showStreamInfo(const QString& mpeg, const QString& layer, const QString& kbpsText,
                               const QString& khz, int channelMode) {
    MPEG->setText(mpeg);
    Layer->setText(layer);
    kbps->setText(kbpsText);
    kHz->setText(khz);
    StereoLab->setText(channelMode == 1 ? QStringLiteral("Stereo") : QStringLiteral("Mono"));
}
