// SPDX-License-Identifier: MIT
#include "dialogs/CProperties.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/ItemChecksums.h"
#include "dialogs/ItemProperties.h"
#include "window/ConsoleView.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <span>

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
// The checksums group box of a file's dialog.
constexpr int CHECKSUMS_HEIGHT = 136;
constexpr int SHA256_Y = 68;
constexpr int SHA256_HEIGHT = 30;
constexpr int SHA256_LINE_DIGITS = 32;
constexpr int COMPUTE_Y = 104;
constexpr int PROGRESS_STEPS = 1000;
constexpr int LABEL_ROW = 24;  // from one row of labels to the next

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
    : CProperties(sName, sType, sLocation, sSize, sSizeOnDisk, sItems, uiFlags, QString(), nullptr, lpParent)
{
}

CProperties::CProperties(const QString &sName, const QString &sType, const QString &sLocation, const QString &sSize,
                         const QString &sSizeOnDisk, const QString &sItems, std::optional<uint32_t> uiFlags,
                         const QString &sStoredCrc32, std::unique_ptr<CItemChecksums> Checksums, QWidget *lpParent)
    : QDialog(lpParent), Checksums(std::move(Checksums)), sStoredCrc32(sStoredCrc32),
      iStoredCrc32Rows(sStoredCrc32.isEmpty() ? 0 : 1)
{
    // One table of rows both fits the layout to the texts and then places
    // them, so the dialog is laid out here in one pass, from top to bottom.
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
    const uint32_t uiShownFlags = uiFlags.value_or(0);
    const SRow AllRows[] = {
        {24, "lblNameLabel", "Name:", "txtName", sName, true},
        {48, "lblTypeLabel", "Type:", "lblType", sType, false},
        {88, "lblLocationLabel", "Location:", "txtLocation", sLocation, true},
        {112, "lblSizeLabel", "Size:", "lblSize", sSize, false},
        {136, "lblSizeOnDiskLabel", "Size On Disk:", "lblSizeOnDisk", sSizeOnDisk, false},
        {160, "lblItemsLabel", "Items:", "lblItems", sItems, false},
        {200, "lblLocalCopyLabel", "Local Copy:", "lblLocalCopy", LocalCopyText(uiShownFlags), false},
        {224, "lblLocalCopyHasPriorityLabel", "Local Has Priority:", "lblLocalCopyHasPriority",
         LocalCopyHasPriorityText(uiShownFlags), false},
        {248, "lblFlagsLabel", "Flags:", "lblFlags", FlagsText(uiShownFlags), false},
    };
    // The flag rows, their separator and the room they take are a GCF's.
    const std::span<const SRow> Rows(AllRows, uiFlags ? std::size(AllRows) : std::size(AllRows) - 3);
    const int iFlagRoom = uiFlags ? 0 : 96;
    iChecksumsY = 296 - iFlagRoom;

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
    if (this->Checksums)
        FitChecksums(Layout);
    // The checksums add a group box below the properties, and the button
    // moves down under it.
    const int iButtonY = this->Checksums ? iChecksumsY + ChecksumsHeight() + 8 : iChecksumsY;
    setFixedSize(Layout(QSize(282, iButtonY + 32)));

    grpProperties = new QGroupBox(QStringLiteral("Properties:"), this);
    grpProperties->setObjectName(QStringLiteral("grpProperties"));
    grpProperties->setGeometry(Layout(QRect(8, 8, 264, 280 - iFlagRoom)));
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
    if (uiFlags)
        AddSeparator(grpProperties, Layout, QStringLiteral("label1"), 184);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(Layout(QRect(200, iButtonY, 75, 23)));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    if (this->Checksums)
        AddChecksums(Layout);
    // The values are for reading: the dialog opens on its one button.
    btnOK->setFocus(Qt::OtherFocusReason);
}

CProperties::CProperties(const SItemProperties &Properties, std::unique_ptr<CItemChecksums> Checksums,
                         QWidget *lpParent)
    : CProperties(Properties.sName, Properties.sType, Properties.sLocation, Properties.sSize,
                  Properties.sSizeOnDisk, Properties.sItems, Properties.uiFlags, Properties.sStoredCrc32,
                  std::move(Checksums), lpParent)
{
}

CProperties::~CProperties() = default;

void CProperties::FitChecksums(CDialogLayout &Layout)
{
    const QFontMetrics Fixed(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (const char *szCaption : {"CRC32:", "Stored CRC32:", "SHA-256:"})
        Layout.FitText(QLatin1String(szCaption), QSize(CAPTION_WIDTH, LABEL_HEIGHT));
    Layout.FitButton(QStringLiteral("Compute"), QSize(75, 23));
    Layout.FitText(Fixed, QStringLiteral("0").repeated(8), 1, QSize(VALUE_WIDTH, LABEL_HEIGHT));
    // SHA-256 shows in two lines of 32 digits.
    Layout.FitText(Fixed, QStringLiteral("0").repeated(SHA256_LINE_DIGITS), 2, QSize(SEPARATOR_WIDTH, SHA256_HEIGHT),
                   TEXT_BOX_INNER_MARGIN * 2);
    Layout.FitWrappedText(ChecksumNote("the data holds 4,294,967,295 of 4,294,967,295 bytes"),
                          QSize(SEPARATOR_WIDTH, SHA256_HEIGHT), 1.5);
}

void CProperties::AddChecksums(const CDialogLayout &Layout)
{
    const QFont Fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    grpChecksums = new QGroupBox(QStringLiteral("Checksums:"), this);
    grpChecksums->setObjectName(QStringLiteral("grpChecksums"));
    grpChecksums->setGeometry(Layout(QRect(8, iChecksumsY, 264, ChecksumsHeight())));

    AddLabel(grpChecksums, Layout, QStringLiteral("lblCrc32Label"), QStringLiteral("CRC32:"),
             QRect(CAPTION_X, 24, CAPTION_WIDTH, LABEL_HEIGHT));
    txtCrc32 = AddSelectableValue(grpChecksums, Layout, QStringLiteral("txtCrc32"), QString(), 24);
    txtCrc32->setFont(Fixed);
    // The CRC32 the set records stands under the computed one, so the two
    // compare digit by digit.
    const int iShift = iStoredCrc32Rows * LABEL_ROW;
    if (iStoredCrc32Rows > 0)
    {
        AddLabel(grpChecksums, Layout, QStringLiteral("lblStoredCrc32Label"), QStringLiteral("Stored CRC32:"),
                 QRect(CAPTION_X, 48, CAPTION_WIDTH, LABEL_HEIGHT));
        AddSelectableValue(grpChecksums, Layout, QStringLiteral("txtStoredCrc32"), sStoredCrc32, 48)->setFont(Fixed);
    }
    AddLabel(grpChecksums, Layout, QStringLiteral("lblSha256Label"), QStringLiteral("SHA-256:"),
             QRect(CAPTION_X, 48 + iShift, CAPTION_WIDTH, LABEL_HEIGHT));

    // Two lines of 32 digits that copy as one line of 64: the text wraps
    // at a fixed column, it holds no line break.
    const QRect ValueRect = Layout(QRect(CAPTION_X, SHA256_Y + iShift, SEPARATOR_WIDTH, SHA256_HEIGHT));
    txtSha256 = new QTextEdit(grpChecksums);
    txtSha256->setObjectName(QStringLiteral("txtSha256"));
    txtSha256->setReadOnly(true);
    txtSha256->setAcceptRichText(false);
    txtSha256->setFrameShape(QFrame::NoFrame);
    txtSha256->setFont(Fixed);
    txtSha256->document()->setDocumentMargin(0);
    txtSha256->setLineWrapMode(QTextEdit::FixedColumnWidth);
    txtSha256->setLineWrapColumnOrWidth(SHA256_LINE_DIGITS);
    txtSha256->setWordWrapMode(QTextOption::WrapAnywhere);
    txtSha256->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtSha256->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette Palette = txtSha256->palette();
    Palette.setColor(QPalette::Base, Qt::transparent);
    txtSha256->setPalette(Palette);
    txtSha256->setGeometry(ValueRect);

    lblChecksumNote = AddLabel(grpChecksums, Layout, QStringLiteral("lblChecksumNote"), QString(),
                               QRect(CAPTION_X, SHA256_Y + iShift, SEPARATOR_WIDTH, SHA256_HEIGHT));
    lblChecksumNote->setWordWrap(true);
    QPalette NotePalette = lblChecksumNote->palette();
    NotePalette.setColor(QPalette::WindowText,
                         ReadableColor(LineColorRgb(ELineColor::Red), palette().color(QPalette::Window)));
    lblChecksumNote->setPalette(NotePalette);
    lblChecksumNote->hide();

    btnCompute = new QPushButton(QStringLiteral("Compute"), grpChecksums);
    btnCompute->setObjectName(QStringLiteral("btnCompute"));
    btnCompute->setGeometry(Layout(QRect(CAPTION_X, COMPUTE_Y + iShift, 75, 23)));
    btnCompute->setAutoDefault(false);
    connect(btnCompute, &QPushButton::clicked, this, [this] { btnCompute_Click(); });

    proChecksums = new QProgressBar(grpChecksums);
    proChecksums->setObjectName(QStringLiteral("proChecksums"));
    proChecksums->setRange(0, PROGRESS_STEPS);
    proChecksums->setGeometry(Layout(QRect(CAPTION_X + 80, COMPUTE_Y + iShift, SEPARATOR_WIDTH - 80, 23)));
    proChecksums->hide();

    tmrChecksums = new QTimer(this);
    tmrChecksums->setInterval(0);
    connect(tmrChecksums, &QTimer::timeout, this, [this] { ComputeStep(); });
}

int CProperties::ChecksumsHeight() const
{
    return CHECKSUMS_HEIGHT + iStoredCrc32Rows * LABEL_ROW;
}

QString CProperties::ChecksumNote(const std::string &sProblem)
{
    return QStringLiteral("No checksums: %1.").arg(QString::fromStdString(sProblem));
}

void CProperties::btnCompute_Click()
{
    // The sums are computed once. The button stays enabled, and so keeps
    // the focus: a disabled button would hand it to the Name field, which
    // then shows its text selected.
    if (Checksums->GetState() != EChecksumState::Ready)
        return;
    proChecksums->setValue(0);
    proChecksums->show();
    // A small file is done at once; a large one goes on between events.
    ComputeStep();
    if (Checksums->GetState() == EChecksumState::Running)
        tmrChecksums->start();
}

void CProperties::ComputeStep()
{
    const EChecksumState eState = Checksums->Step(COMPUTE_STEP_BYTES);
    const uint64_t uiTotal = Checksums->GetTotal();
    proChecksums->setValue(uiTotal == 0 ? PROGRESS_STEPS : int(Checksums->GetDone() * PROGRESS_STEPS / uiTotal));
    if (eState == EChecksumState::Running)
        return;
    tmrChecksums->stop();
    proChecksums->hide();
    if (eState == EChecksumState::Done)
    {
        txtCrc32->setText(QString::fromStdString(Checksums->Crc32Text()));
        txtSha256->setPlainText(QString::fromStdString(Checksums->Sha256Text()));
        return;
    }
    txtSha256->hide();
    lblChecksumNote->setText(ChecksumNote(Checksums->Problem()));
    lblChecksumNote->show();
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
