#include "GridAxis.h"

#include "core/SonvoxError.h"

#include <algorithm>

GridAxis::GridAxis(int count, int fixed, int defaultSize)
    : count_(std::max(count, 1)),
      fixed_(std::clamp(fixed, 0, count_ - 1)),
      defaultSize_(std::max(defaultSize, 0)),
      first_(fixed_) {}

void GridAxis::setCount(int count) {
    if (count < 0) {
        throw SonvoxError(GridError::tooManyDeleted());
    }
    if (!sizes_.empty()) {
        sizes_.resize(size_t(count), defaultSize_);
    }
    count_ = count;
    if (count_ <= fixed_) {
        fixed_ = std::max(count_ - 1, 0);
    }
    setFirst(first_);
}

void GridAxis::setFixed(int fixed) {
    fixed_ = std::clamp(fixed, 0, std::max(count_ - 1, 0));
    setFirst(first_);
}

void GridAxis::setDefaultSize(int size) {
    defaultSize_ = std::max(size, 0);
    sizes_.clear();
}

int GridAxis::size(int index) const {
    if (index < 0 || size_t(index) >= sizes_.size()) {
        return defaultSize_;
    }
    return sizes_[size_t(index)];
}

void GridAxis::setSize(int index, int size) {
    if (index < 0 || index >= count_) {
        throw SonvoxError(GridError::indexOutOfRange());
    }
    if (sizes_.empty()) {
        sizes_.assign(size_t(count_), defaultSize_);
    }
    sizes_[size_t(index)] = std::max(size, 0);
}

void GridAxis::setLineWidths(int fixedLine, int line) {
    fixedLineWidth_ = std::max(fixedLine, 0);
    lineWidth_ = std::max(line, 0);
}

void GridAxis::setFirst(int first) {
    first_ = std::clamp(first, fixed_, std::max(count_ - 1, fixed_));
}

int GridAxis::span(int index) const {
    return size(index) + (index < fixed_ ? fixedLineWidth_ : lineWidth_);
}

int GridAxis::fixedExtent() const {
    int extent = 0;
    for (int i = 0; i < fixed_; ++i) {
        extent += span(i);
    }
    return extent;
}

int GridAxis::cellAt(int pos) const {
    if (pos < 0) {
        return -1;
    }
    int end = 0;
    for (int i = 0; i < fixed_ && i < count_; ++i) {
        end += span(i);
        if (pos < end) {
            return i;
        }
    }
    for (int i = first_; i < count_; ++i) {
        end += span(i);
        if (pos < end) {
            return i;
        }
    }
    return -1;
}

int GridAxis::start(int index, int limit) const {
    if (index < 0 || index >= count_ || (index >= fixed_ && index < first_)) {
        return -1;
    }
    int pos = 0;
    if (index < fixed_) {
        for (int i = 0; i < index; ++i) {
            pos += span(i);
        }
    } else {
        pos = fixedExtent();
        for (int i = first_; i < index && pos < limit; ++i) {
            pos += span(i);
        }
    }
    return pos < limit ? pos : -1;
}

int GridAxis::lastVisible(int extent) const {
    int pos = fixedExtent();
    int last = first_ - 1;
    for (int i = first_; i < count_ && pos < extent; ++i) {
        last = i;
        pos += span(i);
    }
    return last;
}

int GridAxis::fullyVisible(int extent) const {
    int pos = fixedExtent();
    int fitting = 0;
    for (int i = first_; i < count_; ++i) {
        pos += size(i);
        if (pos > extent) {
            break;
        }
        ++fitting;
        pos += lineWidth_;
    }
    return std::max(fitting, 1);
}

int GridAxis::firstShowing(int last, int extent) const {
    const int room = extent - fixedExtent();
    int first = std::clamp(last, 0, count_ - 1);
    int used = size(first);
    while (first > fixed_) {
        const int more = used + span(first - 1);
        if (more > room) {
            break;
        }
        used = more;
        --first;
    }
    return std::max(first, fixed_);
}
