// The title-information window's picture menu: importing a cover from the clipboard or a
// file, deleting it, copying it.

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>

#include "CoverImage.h"
#include "PictureImage.h"
#include "ReportError.h"
#include "TInfoForm.h"
#include "core/CoverFiles.h"
#include "core/Id3v1Tag.h"
#include "core/JpegCodec.h"

namespace {

const QString kPictureFilter =
    QStringLiteral("Alle Dateien (*.bmp *.jpg);;Windows Bitmaps (*.bmp);;JPEG Bitmap (*.jpg)");
const QString kNoPictureOnClipboard = QStringLiteral("Die Zwischenablage enthält kein Bild.");

QString askForPicture(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), kPictureFilter);
}

}  // namespace

void TInfoForm::MenuCoverClipboardClick() {
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull()) {
        QMessageBox::information(this, kAccessDeniedCaption, kNoPictureOnClipboard);
        return;
    }
    const CoverFiles::Import import = CoverFiles::importPicture(PictureImage::fromImage(image));
    if (!import.error.isEmpty()) {
        QMessageBox::critical(this, kUnknownPictureFormatCaption, import.error);
        return;
    }
    importCover(import.picture, import.jpeg);
}

void TInfoForm::MenuCoverFileClick() {
    const QString picked = chooseFile_ ? chooseFile_(this) : askForPicture(this);
    if (picked.isEmpty()) {
        return;
    }
    const QSize size = Image4->pixelSize();
    const CoverFiles::Import import = CoverFiles::importFile(picked, size.width(), size.height());
    if (!import.error.isEmpty()) {
        QMessageBox::critical(this, kUnknownPictureFormatCaption, import.error);
        return;
    }
    importCover(import.picture, import.jpeg);
}

void TInfoForm::importCover(const Picture& picture, const QByteArray& jpeg) {
    Image4->setPicture(picture);
    QString file;
    QString why;
    switch (CoverFiles(coverPath_).writeCover(InfoFileName, jpeg, &file, &why)) {
        case CoverFiles::Write::Written:
            Image4->setPicture(picture, file);
            emit coverChanged(InfoFileName);
            return;
        case CoverFiles::Write::AccessDenied:
            QMessageBox::critical(this, kAccessDeniedCaption, kAccessDeniedText);
            return;
        case CoverFiles::Write::Failed:
            reportError(
                QStringLiteral("The cover could not be written to \"%1\": %2").arg(file, why));
            return;
    }
}

void TInfoForm::MenuCoverDeleteClick() {
    Image4->clear();
    if (CoverFiles(coverPath_).deleteCover(InfoFileName) == CoverFiles::Delete::Deleted) {
        emit coverChanged(InfoFileName);
        return;
    }
    QMessageBox::critical(this, kAccessDeniedCaption, kAccessDeniedText);
}

// The cover goes to the clipboard at the full size of its file; a picture that is in no
// file (an import that could not be written) goes as it is shown.
void TInfoForm::MenuCoverCopyClick() {
    if (Image4->isEmpty()) {
        return;
    }
    QImage image = Image4->image();
    QByteArray bytes;
    if (!Image4->coverFile().isEmpty() &&
        CoverFiles::readFile(Image4->coverFile(), bytes) == CoverFiles::Read::Read) {
        const JpegCodec::Decoded full = JpegCodec::decode(bytes);
        if (full.ok()) {
            image = PictureImage::toImage(full.picture);
        }
    }
    QApplication::clipboard()->setImage(image);
}
