// SPDX-License-Identifier: MIT
#pragma once
// The progress dialog of an Extract command: a bar that counts the files
// reached and one button to stop. It knows nothing of extraction: it shows
// the count it is given and, when its button is pressed, raises
// AbortExtraction and closes. The extraction lets pending events run between
// items through it, which is when it paints and takes the click.

#include "extract/CExtraction.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Larkspur
{

class CAbort final : public QDialog, public IExtractionHook
{
    Q_OBJECT

public:
    explicit CAbort(uint32_t uiTotal);

    // Sets the bar to the number of files reached.
    void Update(uint32_t uiCount) override;
    void ProcessPendingEvents() override;

    // Closes the dialog at the end of the command (a second close, after the
    // button closed it, does nothing).
    void CloseDialog();

signals:
    void AbortExtraction();
    // Pending events are about to run: what should be seen then is due.
    void EventsDue();

protected:
    void closeEvent(QCloseEvent *lpEvent) override;
    void showEvent(QShowEvent *lpEvent) override;

public slots:
    // Escape would close a dialog; this one closes only by its button or at
    // the end of the command.
    void reject() override;

private:
    void btnAbort_Click();

    static constexpr qint64 EVENT_INTERVAL_MS = 40;
    QElapsedTimer EventClock;  // since the events last ran
    QProgressBar *proMain = nullptr;
    QLabel *lblAbort = nullptr;
    QPushButton *btnAbort = nullptr;
    bool bClosing = false;
};

}  // namespace Larkspur
