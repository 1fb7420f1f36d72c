#include "ListSaveDialog.h"

#include <QLineEdit>

ListSaveDialog::ListSaveDialog(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("SaveDialog1"));
    setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite |
               QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(qtNameFilters(kFilter));
}

std::optional<SaveDialogChoice> ListSaveDialog::run(const QString& initialDir, int filterIndex) {
    setDirectory(initialDir);
    // Emptied before the filter is chosen: in save mode Qt gives a typed name the
    // extension of a newly chosen filter.
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->clear();
    }
    const QStringList filters = nameFilters();
    if (filterIndex >= 1 && filterIndex <= filters.size()) {
        selectNameFilter(filters[filterIndex - 1]);
    }
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) {
        return std::nullopt;
    }
    return SaveDialogChoice{files.first(), this->filterIndex()};
}

// With the details hidden, the selected filter may come back as its label alone.
int ListSaveDialog::filterIndex() const {
    const QString selected = selectedNameFilter();
    const QStringList filters = nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (filters[i] == selected || filters[i].startsWith(selected + QStringLiteral(" ("))) {
            return int(i) + 1;
        }
    }
    return 0;
}

QStringList ListSaveDialog::qtNameFilters(const QString& filter) {
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks;
        for (const QString& mask : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = mask.trimmed();
            if (trimmed.isEmpty()) {
                continue;
            }
            masks.append(trimmed);
            if (trimmed.toUpper() != trimmed) {
                masks.append(trimmed.toUpper());
            }
        }
        if (!masks.isEmpty()) {
            filters.append(QStringLiteral("%1 (%2)").arg(parts[i], masks.join(QLatin1Char(' '))));
        }
    }
    return filters;
}
