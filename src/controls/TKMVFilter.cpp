#include "TKMVFilter.h"

#include <QSignalBlocker>

#include "TKMVFileList.h"

TKMVFilter::TKMVFilter(QWidget* parent) : QComboBox(parent) {
    setFilter(QStringLiteral("All files (*.*)|*.*"));
    connect(this, &QComboBox::activated, this, &TKMVFilter::userChose);
}

void TKMVFilter::setFilter(const QString& filter) {
    filter_ = filter;
    const QSignalBlocker blocker(this);
    clear();
    masks_.clear();
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        addItem(parts[i]);
        masks_.append(parts[i + 1]);
    }
    setCurrentIndex(count() > 0 ? 0 : -1);
}

QString TKMVFilter::mask() const {
    if (masks_.isEmpty())
        return QStringLiteral("*.*");
    const int index = currentIndex();
    return index >= 0 && index < masks_.size() ? masks_[index] : masks_.last();
}

TKMVFileList* TKMVFilter::fileList() const {
    return fileList_;
}

void TKMVFilter::setFileList(TKMVFileList* fileList) {
    fileList_ = fileList;
}

void TKMVFilter::userChose(int index) {
    Q_UNUSED(index);
    if (fileList_)
        fileList_->setMask(mask());
    emit changed();
}
