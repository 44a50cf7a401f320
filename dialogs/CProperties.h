// SPDX-License-Identifier: MIT
#pragma once
// The Properties dialog: lays out what the main window gathered about one
// archive item. Name and location are borderless read-only text boxes, so
// they read like labels but can be selected and copied.

#include "dialogs/ItemChecksums.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;
class QTimer;

namespace Larkspur
{

class CDialogLayout;
struct SItemProperties;

class CProperties : public QDialog
{
    Q_OBJECT

public:
    CProperties(const QString &sName, const QString &sType, const QString &sLocation, const QString &sSize,
                const QString &sSizeOnDisk, const QString &sItems, uint32_t uiFlags, QWidget *lpParent = nullptr);
    // A file's dialog offers its CRC32 and SHA-256 too (Checksums): below
    // the properties, computed on demand by the "Compute" button, in steps
    // with a progress bar, so the window keeps answering while a large file
    // is read. A folder's dialog has none.
    explicit CProperties(const SItemProperties &Properties, std::unique_ptr<CItemChecksums> Checksums = {},
                         QWidget *lpParent = nullptr);
    ~CProperties() override;

    // The two flag lines and the flags row as shown.
    static QString LocalCopyText(uint32_t uiFlags);             // "True" when bit 0x2 or 0x8 is set
    static QString LocalCopyHasPriorityText(uint32_t uiFlags);  // "True" when bit 0x1 is set
    static QString FlagsText(uint32_t uiFlags);                 // 8 lower-case hex digits

    // Bytes hashed between two looks at the window's events: a few
    // milliseconds of work.
    static constexpr uint64_t COMPUTE_STEP_BYTES = 4u << 20;

private:
    // Without uiFlags (an item of a VPK set) the three flag rows are left
    // out and the dialog is shorter by them; with sStoredCrc32 the checksums
    // show the stored CRC32 under the computed one.
    CProperties(const QString &sName, const QString &sType, const QString &sLocation, const QString &sSize,
                const QString &sSizeOnDisk, const QString &sItems, std::optional<uint32_t> uiFlags,
                const QString &sStoredCrc32, std::unique_ptr<CItemChecksums> Checksums, QWidget *lpParent);
    void FitChecksums(CDialogLayout &Layout);
    int ChecksumsHeight() const;
    void AddChecksums(const CDialogLayout &Layout);
    static QString ChecksumNote(const std::string &sProblem);
    void btnCompute_Click();
    void ComputeStep();

    // The value controls (txtName, lblType, txtLocation, lblSize,
    // lblSizeOnDisk, lblItems, lblLocalCopy, lblLocalCopyHasPriority,
    // lblFlags) are found by their object names; nothing reads them later.
    QGroupBox *grpProperties = nullptr;
    QPushButton *btnOK = nullptr;

    std::unique_ptr<CItemChecksums> Checksums;
    QGroupBox *grpChecksums = nullptr;
    QLineEdit *txtCrc32 = nullptr;
    QString sStoredCrc32;
    int iChecksumsY = 296;      // where the checksums group stands
    int iStoredCrc32Rows = 0;   // 1 when the stored CRC32 has a row of its own
    QTextEdit *txtSha256 = nullptr;
    QLabel *lblChecksumNote = nullptr;  // why a damaged file has no sums
    QPushButton *btnCompute = nullptr;
    QProgressBar *proChecksums = nullptr;
    QTimer *tmrChecksums = nullptr;
};

}  // namespace Larkspur
