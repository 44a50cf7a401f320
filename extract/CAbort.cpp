// SPDX-License-Identifier: MIT
#include "extract/CAbort.h"

#include "dialogs/DialogLayout.h"
#include "window/Images.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <climits>

namespace Larkspur
{

namespace
{

// The bar takes signed counts; a count beyond their range stays at the end.
int ProgressValue(uint32_t uiCount)
{
    return int(std::min<uint32_t>(uiCount, INT_MAX));
}

// The note's two lines and the button as drawn. With a larger font the note
// would lose its last line, so the layout widens (by at most MAX_WIDENING)
// until the note fits in its two lines, and grows downwards only when
// widening alone cannot make room.
const QRect NOTE_RECT(8, 40, 192, 32);
const QRect BUTTON_RECT(208, 40, 75, 23);
constexpr double MAX_WIDENING = 1.6;

}  // namespace

CAbort::CAbort(uint32_t uiTotal)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("CAbort"));
    setWindowTitle(QStringLiteral("Abort"));
    setWindowIcon(ProgramIcon());

    const QString sNote = QStringLiteral("Note: On Abort all currently extracted files will remain unchanged.");
    const QString sButton = QStringLiteral("&Abort");
    CDialogLayout Layout(font());
    Layout.FitButton(sButton, BUTTON_RECT.size());
    Layout.FitWrappedText(sNote, NOTE_RECT.size(), MAX_WIDENING);
    setFixedSize(Layout(QSize(292, 72)));

    proMain = new QProgressBar(this);
    proMain->setObjectName(QStringLiteral("proMain"));
    proMain->setGeometry(Layout(QRect(8, 8, 272, 24)));
    proMain->setTextVisible(false);
    // Qt draws a bar whose range is 0 to 0 as a busy animation; a command
    // with no files to reach shows an empty bar that never moves instead.
    proMain->setRange(0, uiTotal == 0 ? 1 : ProgressValue(uiTotal));
    proMain->setValue(0);

    lblAbort = new QLabel(sNote, this);
    lblAbort->setObjectName(QStringLiteral("lblAbort"));
    lblAbort->setGeometry(Layout(NOTE_RECT));
    lblAbort->setWordWrap(true);
    lblAbort->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    btnAbort = new QPushButton(sButton, this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnAbort->setGeometry(Layout(BUTTON_RECT));
    btnAbort->setDefault(true);
    btnAbort->setAutoDefault(true);
    connect(btnAbort, &QPushButton::clicked, this, [this] { btnAbort_Click(); });

    setTabOrder(btnAbort, lblAbort);
    setTabOrder(lblAbort, proMain);
    btnAbort->setFocus();
}

void CAbort::Update(uint32_t uiCount)
{
    proMain->setValue(std::min(ProgressValue(uiCount), proMain->maximum()));
}

void CAbort::ProcessPendingEvents()
{
    // The extraction asks before every item. Running the events each time
    // would repaint the console and the bar for every one of a hundred
    // thousand small files, at several times the cost of writing them;
    // twenty-five times a second keeps the button as quick to answer to the
    // hand, and the bar and the console move as smoothly to the eye.
    if (EventClock.isValid() && EventClock.elapsed() < EVENT_INTERVAL_MS)
        return;
    emit EventsDue();
    QCoreApplication::processEvents();
    EventClock.start();
}

void CAbort::CloseDialog()
{
    bClosing = true;
    close();
}

void CAbort::btnAbort_Click()
{
    emit AbortExtraction();
    CloseDialog();
}

void CAbort::closeEvent(QCloseEvent *lpEvent)
{
    if (bClosing)
        lpEvent->accept();
    else
        lpEvent->ignore();
}

void CAbort::showEvent(QShowEvent *lpEvent)
{
    // Centred on the screen: the dialog has no owner to centre on.
    if (const QScreen *lpScreen = QGuiApplication::primaryScreen())
        move(lpScreen->availableGeometry().center() - rect().center());
    QDialog::showEvent(lpEvent);
}

void CAbort::reject()
{
}

}  // namespace Larkspur
