#include "TDirTreeForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "TDirTree.h"

TDirTreeForm::TDirTreeForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dirTree_(new TDirTree(this)),
      okButton_(new QPushButton(QStringLiteral("&OK"), this)),
      cancelButton_(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setWindowTitle(QStringLiteral("Select Directory"));
    dirTree_->setObjectName(QStringLiteral("DirTree1"));
    okButton_->setObjectName(QStringLiteral("OKBtn"));
    cancelButton_->setObjectName(QStringLiteral("CancelBtn"));
    okButton_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dirTree_, 1);
    layout->addLayout(buttons);
    resize(320, 400);

    connect(okButton_, &QPushButton::clicked, this, &TDirTreeForm::OKBtnClick);
    connect(cancelButton_, &QPushButton::clicked, this, &TDirTreeForm::CancelBtnClick);
}

QString TDirTreeForm::pick(const QString& start) {
    dirTree_->setDirectory(start);
    chosen_.clear();
    exec();
    return chosen_;
}

void TDirTreeForm::OKBtnClick() {
    const QString selected = dirTree_->directory();
    chosen_ = selected == QLatin1String("?") ? QString() : selected;
    accept();
}

void TDirTreeForm::CancelBtnClick() {
    chosen_.clear();
    reject();
}

QString pickDirectory(QWidget* parent, const QString& start) {
    TDirTreeForm form(parent);
    return form.pick(start);
}
