#include "TrackBaseName.h"

QString TrackBaseName(QStringView path) {
    const QStringView name = path.sliced(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.size() > 1 ? name.indexOf(u'.', 1) : -1;
    return (dot < 0 ? name : name.first(dot)).toString();
}
