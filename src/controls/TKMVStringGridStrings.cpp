#include "TKMVStringGridStrings.h"

#include "TKMVStringGrid.h"

#include <algorithm>

int TKMVStringGridStrings::count() const {
    return line_ == Line::Row ? grid_->colCount() : grid_->rowCount();
}

QString TKMVStringGridStrings::at(int i) const {
    return grid_->cell(col(i), row(i));
}

void TKMVStringGridStrings::put(int i, const QString& text) {
    grid_->setCell(col(i), row(i), text);
}

QObject* TKMVStringGridStrings::object(int i) const {
    return grid_->object(col(i), row(i));
}

void TKMVStringGridStrings::putObject(int i, QObject* object) {
    grid_->setObject(col(i), row(i), object);
}

void TKMVStringGridStrings::clear() {
    if (line_ == Line::Row) {
        grid_->clearRowCells(index_, count());
        return;
    }
    for (int i = 0, n = count(); i < n; ++i) {
        put(i, QString());
        putObject(i, nullptr);
    }
}

int TKMVStringGridStrings::add(const QString& text) {
    for (int i = 0, n = count(); i < n; ++i) {
        if (grid_->cell(col(i), row(i)).isEmpty()) {
            put(i, text);
            return i;
        }
    }
    return -1;
}

void TKMVStringGridStrings::assign(const TKMVStringGridStrings& source) {
    const int n = std::min(source.count(), count());
    if (source.grid_ == grid_ && source.line_ == Line::Row && line_ == Line::Row) {
        grid_->copyRowCells(source.index_, index_, n);
        return;
    }
    for (int i = 0; i < n; ++i) {
        put(i, source.at(i));
        putObject(i, source.object(i));
    }
}

void TKMVStringGridStrings::assign(const QStringList& source) {
    const int n = std::min(int(source.size()), count());
    for (int i = 0; i < n; ++i) {
        put(i, source.at(i));
        putObject(i, nullptr);
    }
}

QStringList TKMVStringGridStrings::toStringList() const {
    QStringList list;
    for (int i = 0, n = count(); i < n; ++i) {
        list.append(at(i));
    }
    return list;
}
