#include "dialogs/CProperties.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/ItemProperties.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

namespace Larkspur
{

namespace
{

// Every row: a caption at x 8, the value at x 112, both inside the group box.
constexpr int CAPTION_X = 8;
constexpr int CAPTION_WIDTH = 96;
constexpr int VALUE_X = 112;
constexpr int VALUE_WIDTH = 144;
constexpr int LABEL_HEIGHT = 23;
constexpr int TEXT_BOX_HEIGHT = 13;
constexpr int TEXT_BOX_INNER_MARGIN = 2;
constexpr int SEPARATOR_WIDTH = 248;

QLabel *AddLabel(QWidget *lpParent, const CDialogLayout &Layout, const QString &sName, const QString &sText,
                 QRect Geometry)
{
    // Plain text: an item name is never read as markup.
    auto *lpLabel = new QLabel(lpParent);
    lpLabel->setObjectName(sName);
    lpLabel->setTextFormat(Qt::PlainText);
    lpLabel->setText(sText);
    lpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lpLabel->setGeometry(Layout(Geometry));
    return lpLabel;
}

QLineEdit *AddSelectableValue(QWidget *lpParent, const CDialogLayout &Layout, const QString &sName,
                              const QString &sText, int iRow)
{
    auto *lpText = new QLineEdit(sText, lpParent);
    lpText->setObjectName(sName);
    lpText->setReadOnly(true);
    lpText->setFrame(false);
    // No fill of its own: it takes whatever the group box draws behind it,
    // which some styles shade differently from the dialog.
    QPalette Palette = lpText->palette();
    Palette.setColor(QPalette::Base, Qt::transparent);
    lpText->setPalette(Palette);
    // A long path shows from its start, like the labels around it.
    lpText->setCursorPosition(0);
    // The box is drawn lower than a line of most fonts: it grows downwards,
    // into the gap before the next row, rather than cut the text's descenders.
    // Its text starts where the labels' text does: the box reaches left by
    // the margin that a text box keeps inside.
    QRect Geometry = Layout(QRect(VALUE_X, iRow, VALUE_WIDTH, TEXT_BOX_HEIGHT));
    Geometry.setHeight(std::max(Geometry.height(), Layout.Metrics.height() + 2));
    Geometry.setLeft(Geometry.left() - TEXT_BOX_INNER_MARGIN);
    lpText->setGeometry(Geometry);
    return lpText;
}

void AddSeparator(QWidget *lpParent, const CDialogLayout &Layout, const QString &sName, int iRow)
{
    auto *lpLine = new QLabel(lpParent);
    lpLine->setObjectName(sName);
    lpLine->setAutoFillBackground(true);
    lpLine->setBackgroundRole(QPalette::Dark);
    QRect Geometry = Layout(QRect(CAPTION_X, iRow, SEPARATOR_WIDTH, 1));
    Geometry.setHeight(1);
    lpLine->setGeometry(Geometry);
}

}  // namespace

CProperties::CProperties(const QString &sName, const QString &sType, const QString &sLocation, const QString &sSize,
                         const QString &sSizeOnDisk, const QString &sItems, uint32_t uiFlags, QWidget *lpParent)
    : QDialog(lpParent)
{
    setObjectName(QStringLiteral("CProperties"));
    setWindowTitle(QStringLiteral("Properties"));
    setWindowFlags(FIXED_DIALOG_FLAGS);

    struct SRow
    {
        int iY;
        const char *szCaptionName, *szCaption, *szValueName;
        QString sValue;
        bool bSelectable;
    };
    const SRow Rows[] = {
        {24, "lblNameLabel", "Name:", "txtName", sName, true},
        {48, "lblTypeLabel", "Type:", "lblType", sType, false},
        {88, "lblLocationLabel", "Location:", "txtLocation", sLocation, true},
        {112, "lblSizeLabel", "Size:", "lblSize", sSize, false},
        {136, "lblSizeOnDiskLabel", "Size On Disk:", "lblSizeOnDisk", sSizeOnDisk, false},
        {160, "lblItemsLabel", "Items:", "lblItems", sItems, false},
        {200, "lblLocalCopyLabel", "Local Copy:", "lblLocalCopy", LocalCopyText(uiFlags), false},
        {224, "lblLocalCopyHasPriorityLabel", "Local Has Priority:", "lblLocalCopyHasPriority",
         LocalCopyHasPriorityText(uiFlags), false},
        {248, "lblFlagsLabel", "Flags:", "lblFlags", FlagsText(uiFlags), false},
    };

    // Every caption and every value shown in a label must show whole; name
    // and location scroll inside their text boxes, as text boxes do.
    CDialogLayout Layout(font());
    for (const SRow &Row : Rows)
    {
        Layout.FitText(QLatin1String(Row.szCaption), QSize(CAPTION_WIDTH, LABEL_HEIGHT));
        if (!Row.bSelectable)
            Layout.FitText(Row.sValue, QSize(VALUE_WIDTH, LABEL_HEIGHT));
    }
    Layout.FitButton(QStringLiteral("OK"), QSize(75, 23));
    setFixedSize(Layout(QSize(282, 328)));

    grpProperties = new QGroupBox(QStringLiteral("Properties:"), this);
    grpProperties->setObjectName(QStringLiteral("grpProperties"));
    grpProperties->setGeometry(Layout(QRect(8, 8, 264, 280)));
    for (const SRow &Row : Rows)
    {
        AddLabel(grpProperties, Layout, QLatin1String(Row.szCaptionName), QLatin1String(Row.szCaption),
                 QRect(CAPTION_X, Row.iY, CAPTION_WIDTH, LABEL_HEIGHT));
        if (Row.bSelectable)
            AddSelectableValue(grpProperties, Layout, QLatin1String(Row.szValueName), Row.sValue, Row.iY);
        else
            AddLabel(grpProperties, Layout, QLatin1String(Row.szValueName), Row.sValue,
                     QRect(VALUE_X, Row.iY, VALUE_WIDTH, LABEL_HEIGHT));
    }
    AddSeparator(grpProperties, Layout, QStringLiteral("label9"), 72);
    AddSeparator(grpProperties, Layout, QStringLiteral("label1"), 184);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(Layout(QRect(200, 296, 75, 23)));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    // The values are for reading: the dialog opens on its one button.
    btnOK->setFocus(Qt::OtherFocusReason);
}

CProperties::CProperties(const SItemProperties &Properties, QWidget *lpParent)
    : CProperties(Properties.sName, Properties.sType, Properties.sLocation, Properties.sSize,
                  Properties.sSizeOnDisk, Properties.sItems, Properties.uiFlags, lpParent)
{
}

QString CProperties::LocalCopyText(uint32_t uiFlags)
{
    return (uiFlags & 0x0000000Au) != 0 ? QStringLiteral("True") : QStringLiteral("False");
}

QString CProperties::LocalCopyHasPriorityText(uint32_t uiFlags)
{
    return (uiFlags & 0x00000001u) != 0 ? QStringLiteral("True") : QStringLiteral("False");
}

QString CProperties::FlagsText(uint32_t uiFlags)
{
    return QStringLiteral("%1").arg(uiFlags, 8, 16, QLatin1Char('0'));
}

}  // namespace Larkspur
