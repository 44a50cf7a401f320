// SPDX-License-Identifier: MIT
#pragma once
// The Find dialog: asks for the text to search the archive's item names for.
// Find can be confirmed only when the text holds something besides blanks,
// but the text is handed back exactly as typed, blanks included.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace Larkspur
{

class CFind : public QDialog
{
    Q_OBJECT

public:
    explicit CFind(const QString &sSearchWord, QWidget *lpParent = nullptr);

    // The text of txtFind, untrimmed.
    QString SearchWord() const;

protected:
    // Focuses the text and selects all of it, so that typing replaces the
    // remembered word.
    void showEvent(QShowEvent *lpEvent) override;

private:
    void txtFind_TextChanged(const QString &sText);

    QLabel *label1 = nullptr;
    QLineEdit *txtFind = nullptr;
    QPushButton *btnFind = nullptr;
    QPushButton *btnCancel = nullptr;
};

}  // namespace Larkspur
