#pragma once
// The filter box of the load dialog: a drop-down list built from `Filter`, labels and
// masks alternating and separated by "|", e.g. "Mpeg Files|*.mp*;*.msf|Playlist|*.ply".
// The labels are shown; each keeps its mask beside it. A label without a following mask
// ends the list. Setting the filter selects the first item.
//
// When the user chooses an item, the linked file list's mask becomes that item's mask and
// changed() is emitted. Setting the item index from code (setCurrentIndex) passes nothing
// on; the load dialog applies its mask itself when it shows.
//
// GUI thread only.

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QStringList>

class TKMVFileList;

class TKMVFilter : public QComboBox {
    Q_OBJECT
public:
    // Starts with the filter "All files (*.*)|*.*".
    explicit TKMVFilter(QWidget* parent = nullptr);

    QString filter() const { return filter_; }
    void setFilter(const QString& filter);

    // The chosen item's mask; with no item chosen the last item's; with no items "*.*".
    QString mask() const;
    // The masks of the items, in order.
    const QStringList& masks() const { return masks_; }

    TKMVFileList* fileList() const;
    void setFileList(TKMVFileList* fileList);

signals:
    // The user chose an item; the file list's mask is already set.
    void changed();

private:
    void userChose(int index);

    QString filter_;
    QStringList masks_;
    QPointer<TKMVFileList> fileList_;
};
