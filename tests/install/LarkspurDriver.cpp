// SPDX-License-Identifier: MIT
// A test driver that the installed window loads as a Qt generic plugin
// (QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS=larkspurdriver:ITEM:MARKER), so
// that a script can run the real, installed program offscreen, where no
// person clicks, and the program itself carries no test hook. Once the
// archive named on the command line is shown, it selects ITEM in the list,
// runs "Shell Execute", creates MARKER (proof that the window runs on while
// the open service does), prints the text of the message box that follows
// and presses OK, then closes the window. Every step is printed; a run that
// stalls prints where and ends the program.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace
{

void Say(const QString &sLine)
{
    std::printf("driver: %s\n", sLine.toLocal8Bit().constData());
    std::fflush(stdout);
}

class CDriver : public QObject
{
public:
    CDriver(const QString &sItem, const QString &sMarker) : sItem(sItem), sMarker(sMarker)
    {
        connect(&Poll, &QTimer::timeout, this, [this] { Step(); });
        Poll.start(50);
        Clock.start();
    }

private:
    enum class EStep { Loaded, BoxShown, Closed };

    QMainWindow *Window() const
    {
        for (QWidget *lpWidget : QApplication::topLevelWidgets())
            if (lpWidget->objectName() == QLatin1String("CLarkspur") && lpWidget->isVisible())
                return qobject_cast<QMainWindow *>(lpWidget);
        return nullptr;
    }

    void Step()
    {
        if (Clock.elapsed() > 60000)
        {
            Say(QStringLiteral("stalled at step %1").arg(int(eStep)));
            Poll.stop();
            QCoreApplication::exit(1);
            return;
        }
        QMainWindow *lpWindow = Window();
        switch (eStep)
        {
        case EStep::Loaded:
            if (lpWindow && lpWindow->windowTitle().startsWith(QLatin1String("Larkspur - ")) && ShellExecute(lpWindow))
                eStep = EStep::BoxShown;
            break;
        case EStep::BoxShown:
            if (auto *lpBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            {
                Say(QStringLiteral("box: ") + QString(lpBox->text()).replace(QLatin1Char('\n'), QLatin1String("\\n")));
                lpBox->button(QMessageBox::Ok)->click();
                eStep = EStep::Closed;
            }
            break;
        case EStep::Closed:
            if (lpWindow && !QApplication::activeModalWidget())
            {
                Say(QStringLiteral("closing"));
                Poll.stop();
                lpWindow->close();
            }
            break;
        }
    }

    bool ShellExecute(QMainWindow *lpWindow)
    {
        auto *lpList = lpWindow->findChild<QAbstractItemView *>(QStringLiteral("lstGCFFileDetails"));
        auto *lpExecute = lpWindow->findChild<QAction *>(QStringLiteral("btnExecuteGCFListViewItem"));
        if (!lpList || !lpExecute)
            return false;
        QAbstractItemModel *lpModel = lpList->model();
        for (int iRow = 0; iRow < lpModel->rowCount(); ++iRow)
        {
            if (lpModel->index(iRow, 0).data().toString() != sItem)
                continue;
            lpList->selectionModel()->select(lpModel->index(iRow, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            Say(QStringLiteral("shell execute ") + sItem);
            lpExecute->trigger();
            // Only reached once the command has returned to the event loop.
            QFile Marker(sMarker);
            if (!Marker.open(QIODevice::WriteOnly))
                Say(QStringLiteral("cannot write ") + sMarker);
            return true;
        }
        return false;
    }

    QString sItem, sMarker;
    QTimer Poll;
    QElapsedTimer Clock;
    EStep eStep = EStep::Loaded;
};

}  // namespace

class CLarkspurDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "LarkspurDriver.json")

public:
    QObject *create(const QString &sKey, const QString &sSpecification) override
    {
        const QStringList Parts = sSpecification.split(QLatin1Char(':'));
        if (sKey.compare(QLatin1String("larkspurdriver"), Qt::CaseInsensitive) != 0 || Parts.size() != 2)
            return nullptr;
        Say(QStringLiteral("loaded"));
        return new CDriver(Parts[0], Parts[1]);
    }
};

#include "LarkspurDriver.moc"
