// SPDX-License-Identifier: MIT
#include "dialogs/CFind.h"

#include "dialogs/DialogLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Larkspur
{

CFind::CFind(const QString &sSearchWord, QWidget *lpParent) : QDialog(lpParent)
{
    setObjectName(QStringLiteral("CFind"));
    setWindowTitle(QStringLiteral("Find"));
    setWindowFlags(FIXED_DIALOG_FLAGS);

    label1 = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label1->setObjectName(QStringLiteral("label1"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    label1->setBuddy(txtFind);
    btnFind = new QPushButton(QStringLiteral("&Find"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefault(true);
    btnFind->setEnabled(false);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    setTabOrder(txtFind, btnFind);
    setTabOrder(btnFind, btnCancel);

    const QRect label1Rect(8, 16, 56, 16), txtFindRect(64, 16, 192, 20);
    const QRect btnFindRect(264, 16, 75, 23), btnCancelRect(264, 48, 75, 23);
    CDialogLayout Layout(font());
    Layout.FitText(label1->text(), label1Rect.size());
    Layout.FitText(QString(), txtFindRect.size(), 0, TEXT_BOX_PAD_Y);
    Layout.FitButton(btnFind->text(), btnFindRect.size());
    Layout.FitButton(btnCancel->text(), btnCancelRect.size());
    setFixedSize(Layout(QSize(346, 80)));
    label1->setGeometry(Layout(label1Rect));
    txtFind->setGeometry(Layout(txtFindRect));
    btnFind->setGeometry(Layout(btnFindRect));
    btnCancel->setGeometry(Layout(btnCancelRect));

    connect(btnFind, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtFind, &QLineEdit::textChanged, this, &CFind::txtFind_TextChanged);
    txtFind->setText(sSearchWord);
}

QString CFind::SearchWord() const
{
    return txtFind->text();
}

void CFind::showEvent(QShowEvent *lpEvent)
{
    QDialog::showEvent(lpEvent);
    txtFind->setFocus(Qt::OtherFocusReason);
    txtFind->selectAll();
}

void CFind::txtFind_TextChanged(const QString &sText)
{
    btnFind->setEnabled(!sText.trimmed().isEmpty());
}

}  // namespace Larkspur
