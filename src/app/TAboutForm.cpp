#include "TAboutForm.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "core/LibraryInfo.h"
#include "core/Paths.h"

namespace {

QString escaped(const QString& s) {
    return s.toHtmlEscaped();
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Sonvox"));
    body_ = new QTextBrowser(this);
    body_->setOpenLinks(false);
    body_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    QString html = QStringLiteral("<h2>Sonvox %1</h2><p>A player for MPEG audio files.</p>")
                       .arg(escaped(QCoreApplication::applicationVersion()));
    html += QStringLiteral("<h3>Libraries</h3><table cellspacing=\"4\">");
    for (const LibraryInfo& lib : usedLibraries()) {
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td></tr>")
                    .arg(escaped(lib.name), escaped(lib.version), escaped(lib.licence));
        if (!lib.file.isEmpty()) {
            html += QStringLiteral("<tr><td></td><td colspan=\"2\"><small>%1</small></td></tr>")
                        .arg(escaped(lib.file));
        }
    }
    html += QStringLiteral("</table><h3>Folders</h3><p>Settings: %1<br>Data: %2</p>")
                .arg(escaped(Paths::settingsDir()), escaped(Paths::dataDir()));
    body_->setHtml(html);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(body_);
    layout->addWidget(buttons);
    resize(520, 420);
}

QString TAboutForm::text() const {
    return body_->toPlainText();
}
