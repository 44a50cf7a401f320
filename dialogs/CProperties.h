#pragma once
// The Properties dialog: lays out what the main window gathered about one
// archive item. Name and location are borderless read-only text boxes, so
// they read like labels but can be selected and copied.

#include <QDialog>
#include <QString>

#include <cstdint>

class QGroupBox;
class QPushButton;

namespace Larkspur
{

struct SItemProperties;

class CProperties : public QDialog
{
    Q_OBJECT

public:
    CProperties(const QString &sName, const QString &sType, const QString &sLocation, const QString &sSize,
                const QString &sSizeOnDisk, const QString &sItems, uint32_t uiFlags, QWidget *lpParent = nullptr);
    explicit CProperties(const SItemProperties &Properties, QWidget *lpParent = nullptr);

    // The two flag lines and the flags row as shown.
    static QString LocalCopyText(uint32_t uiFlags);             // "True" when bit 0x2 or 0x8 is set
    static QString LocalCopyHasPriorityText(uint32_t uiFlags);  // "True" when bit 0x1 is set
    static QString FlagsText(uint32_t uiFlags);                 // 8 lower-case hex digits

private:
    // The value controls (txtName, lblType, txtLocation, lblSize,
    // lblSizeOnDisk, lblItems, lblLocalCopy, lblLocalCopyHasPriority,
    // lblFlags) are found by their object names; nothing reads them later.
    QGroupBox *grpProperties = nullptr;
    QPushButton *btnOK = nullptr;
};

}  // namespace Larkspur
