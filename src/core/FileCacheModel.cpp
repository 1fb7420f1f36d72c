#include "FileCacheModel.h"

#include <algorithm>
#include <limits>

#include "PhysicalMemory.h"
#include "Profile.h"

namespace {
const QString kSection = QStringLiteral("VCache");
const QString kMinKey = QStringLiteral("MinFileCache");
const QString kMaxKey = QStringLiteral("MaxFileCache");
constexpr qint64 kBytesPerMb = 1024 * 1024;

int clampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}
}  // namespace

FileCacheModel::FileCacheModel(Profile& systemIni, const PhysicalMemory& memory)
    : systemIni_(systemIni), memory_(memory) {}

QString FileCacheModel::label(int kb) {
    return QString::number(kb) + QStringLiteral(" KB");
}

int FileCacheModel::position(int kb) const {
    return std::clamp(kb / kKbPerMb, 0, rangeMb_);
}

int FileCacheModel::storedMin() const {
    return systemIni_.readInteger(kSection, kMinKey, 0);
}

int FileCacheModel::storedMax() const {
    return systemIni_.readInteger(kSection, kMaxKey, 0);
}

void FileCacheModel::load() {
    totalBytes_ = std::max<qint64>(memory_.totalBytes(), 0);
    rangeMb_ = clampToInt(totalBytes_ / kBytesPerMb);
    minKb_ = storedMin();
    maxKb_ = storedMax();
    // Selecting a choice runs what clicking it does.
    if (minPosition() != 0) {
        chooseMinUser();
    } else {
        chooseMinSystem();
    }
    if (maxPosition() != 0) {
        chooseMaxUser();
    } else {
        chooseMaxSystem();
    }
}

void FileCacheModel::moveMin(int positionMb) {
    minKb_ = std::clamp(positionMb, 0, rangeMb_) * kKbPerMb;
    if (maxPosition() < minPosition()) {
        maxKb_ = minKb_;
    }
}

void FileCacheModel::moveMax(int positionMb) {
    maxKb_ = std::clamp(positionMb, 0, rangeMb_) * kKbPerMb;
    if (maxPosition() < minPosition()) {
        minKb_ = maxKb_;
    }
}

void FileCacheModel::chooseMinSystem() {
    minKb_ = 0;
    minUser_ = false;
}

void FileCacheModel::chooseMaxSystem() {
    maxKb_ = 0;
    maxUser_ = false;
}

void FileCacheModel::chooseMinUser() {
    minKb_ = storedMin();
    minUser_ = true;
    if (maxPosition() < minPosition()) {
        maxKb_ = minKb_;
        maxUser_ = true;
    }
}

void FileCacheModel::chooseMaxUser() {
    if (maxPosition() == 0) {
        maxKb_ = advisedMaxKb();
    }
    maxUser_ = true;
}

int FileCacheModel::advisedMaxKb() const {
    return clampToInt((totalBytes_ / 100) * kAdvisedPercent / kKbPerMb);
}

void FileCacheModel::defaults() {
    chooseMinSystem();
    chooseMaxSystem();
}

void FileCacheModel::advised() {
    minKb_ = 0;
    maxKb_ = 0;
    chooseMinSystem();
    chooseMaxUser();
}

bool FileCacheModel::save() {
    if (minKb_ == storedMin() && maxKb_ == storedMax()) {
        return false;
    }
    systemIni_.writeInteger(kSection, kMinKey, minKb_);
    systemIni_.writeInteger(kSection, kMaxKey, maxKb_);
    return true;
}
