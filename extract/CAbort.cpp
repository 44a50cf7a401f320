#include "extract/CAbort.h"

#include "window/Images.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <climits>
#include <cmath>

namespace Larkspur
{

namespace
{

// The bar takes signed counts; a count beyond their range stays at the end.
int ProgressValue(uint32_t uiCount)
{
    return int(std::min<uint32_t>(uiCount, INT_MAX));
}

}  // namespace

// The dialog is drawn for a small dialog font (about 5 by 13 pixels a
// character). With a larger font the note would lose its last line, so the
// layout widens until the note fits in its two lines, and grows downwards
// only when widening alone cannot make room. With a small font it is exactly
// as drawn.
CAbortLayout::CAbortLayout(const QFontMetrics &Metrics, const QString &sNote, const QString &sButton)
{
    const auto NoteHeight = [&](double dScale) {
        return Metrics.boundingRect(QRect(0, 0, int(NOTE_WIDTH * dScale), 1 << 20), Qt::TextWordWrap, sNote).height();
    };
    while (NoteHeight(dScaleX) > NOTE_HEIGHT && dScaleX < MAX_WIDENING)
        dScaleX += 0.05;
    dScaleX = std::max(dScaleX, double(Metrics.horizontalAdvance(sButton) + 16) / BUTTON_WIDTH);
    dScaleY = std::max({1.0, double(NoteHeight(dScaleX)) / NOTE_HEIGHT,
                        double(Metrics.height() + 6) / BUTTON_HEIGHT});
}

QRect CAbortLayout::operator()(int iX, int iY, int iWidth, int iHeight) const
{
    const auto X = [this](int i) { return int(std::lround(i * dScaleX)); };
    const auto Y = [this](int i) { return int(std::lround(i * dScaleY)); };
    return QRect(QPoint(X(iX), Y(iY)), QPoint(X(iX + iWidth) - 1, Y(iY + iHeight) - 1));
}

CAbort::CAbort(uint32_t uiTotal)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("CAbort"));
    setWindowTitle(QStringLiteral("Abort"));
    setWindowIcon(ProgramIcon());

    const QString sNote = QStringLiteral("Note: On Abort all currently extracted files will remain unchanged.");
    const CAbortLayout Layout(fontMetrics(), sNote, QStringLiteral("Abort"));
    setFixedSize(Layout(0, 0, 292, 72).size());

    proMain = new QProgressBar(this);
    proMain->setObjectName(QStringLiteral("proMain"));
    proMain->setGeometry(Layout(8, 8, 272, 24));
    proMain->setTextVisible(false);
    // Qt draws a bar whose range is 0 to 0 as a busy animation; a command
    // with no files to reach shows an empty bar that never moves instead.
    proMain->setRange(0, uiTotal == 0 ? 1 : ProgressValue(uiTotal));
    proMain->setValue(0);

    lblAbort = new QLabel(sNote, this);
    lblAbort->setObjectName(QStringLiteral("lblAbort"));
    lblAbort->setGeometry(Layout(8, 40, CAbortLayout::NOTE_WIDTH, CAbortLayout::NOTE_HEIGHT));
    lblAbort->setWordWrap(true);
    lblAbort->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    btnAbort = new QPushButton(QStringLiteral("&Abort"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnAbort->setGeometry(Layout(208, 40, CAbortLayout::BUTTON_WIDTH, CAbortLayout::BUTTON_HEIGHT));
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
    // thousand small files, at several times the cost of writing them; a
    // hundred times a second keeps the button as quick to answer.
    if (EventClock.isValid() && EventClock.elapsed() < EVENT_INTERVAL_MS)
        return;
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
