#include "TMpegDelete.h"

#include <QLabel>
#include <QPushButton>

namespace {

const QColor kPanelText(0x90, 0xee, 0x90);  // light green on black

QLabel* makeText(QWidget* parent, const QString& text, int top) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(8, top, TMpegDelete::kClientWidth - 16, 18);
    return label;
}

QLabel* makePanel(QWidget* parent, const QString& name, int top) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setAlignment(Qt::AlignCenter);
    panel->setTextFormat(Qt::PlainText);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, kPanelText);
    panel->setPalette(colours);
    panel->setGeometry(16, top, TMpegDelete::kClientWidth - 32, 24);
    return panel;
}

}  // namespace

TMpegDelete::TMpegDelete(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TMpegDelete"));
    setWindowTitle(QStringLiteral("Delete Mpeg File"));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    QFont bold(QStringLiteral("Arial"));
    bold.setBold(true);
    setFont(bold);

    makeText(this, QStringLiteral("Are you sure that you want to delete"), 10);
    Panel1 = makePanel(this, QStringLiteral("Panel1"), 34);
    Panel2 = makePanel(this, QStringLiteral("Panel2"), 62);
    PathLabel = makeText(this, QString(), 88);
    PathLabel->setObjectName(QStringLiteral("PathLabel"));
    PathLabel->setTextFormat(Qt::PlainText);
    QFont plain = font();
    plain.setBold(false);
    PathLabel->setFont(plain);
    makeText(this, QStringLiteral("from your Harddisk?"), 108);

    const std::pair<QPushButton**, const char*> buttons[] = {
        {&BitBtn1, "&Yes"}, {&BitBtn2, "&No"}, {&BitBtn3, "&All"}, {&BitBtn4, "&Cancel"}};
    constexpr int kButtonWidth = 66;
    constexpr int kGap = 8;
    int x = (kClientWidth - 4 * kButtonWidth - 3 * kGap) / 2;
    for (const auto& [button, text] : buttons) {
        *button = new QPushButton(QString::fromLatin1(text), this);
        (*button)->setGeometry(x, 136, kButtonWidth, 28);
        (*button)->setAutoDefault(false);
        x += kButtonWidth + kGap;
    }
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(Yes); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(No); });
    connect(BitBtn3, &QPushButton::clicked, this, &TMpegDelete::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TMpegDelete::BitBtn4Click);
}

TMpegDelete::Answer TMpegDelete::ask(const QString& artist, const QString& title,
                                     const QString& path) {
    Panel1->setText(artist);
    Panel2->setText(title);
    // The whole path decides which file goes: shortened in the middle where it does not fit,
    // whole in the tooltip.
    PathLabel->setText(
        PathLabel->fontMetrics().elidedText(path, Qt::ElideMiddle, PathLabel->width()));
    PathLabel->setToolTip(path);
    const int answer = exec();
    return answer >= Yes && answer <= Cancel ? Answer(answer) : Cancel;
}

// FormShow: both flags start cleared, the focus on "&No".
void TMpegDelete::showEvent(QShowEvent* event) {
    all_ = false;
    cancel_ = false;
    QDialog::showEvent(event);
    BitBtn2->setDefault(true);
    BitBtn2->setFocus();
}

void TMpegDelete::BitBtn3Click() {
    all_ = true;
    done(All);
}

void TMpegDelete::BitBtn4Click() {
    cancel_ = true;
    done(Cancel);
}

void TMpegDelete::reject() {
    BitBtn4Click();
}
