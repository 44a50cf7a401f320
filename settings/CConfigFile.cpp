// SPDX-License-Identifier: MIT
#include "settings/CConfigFile.h"

#include "settings/CProgramFiles.h"
#include "settings/CRecentFiles.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <optional>
#include <utility>

namespace Larkspur
{

namespace
{

// Lines as the file holds them are bytes; UTF-8 where they are valid UTF-8,
// otherwise Latin-1, so that a hand-edited file never loses a line. The
// decoder drops an editor's byte-order mark, which would otherwise stick to
// the first key.
QString DecodeLine(const QByteArray &Line)
{
    QStringDecoder Decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString sLine = Decoder.decode(Line);
    if (Decoder.hasError())
        return QString::fromLatin1(Line);
    return sLine;
}

// A value that holds a line break would start a line of its own in the
// file: a crafted archive path could add settings that way.
bool HoldsLineBreak(const QString &sValue)
{
    return sValue.contains(QLatin1Char('\n')) || sValue.contains(QLatin1Char('\r'));
}

// A value that is one of Words (in any case) sets Field to its meaning; any
// other value leaves Field as it was.
template <class T>
void ApplyWord(const QString &sVal, std::initializer_list<std::pair<const char *, T>> Words, std::optional<T> &Field)
{
    const QString sWord = sVal.toLower();
    for (const auto &[szWord, Meaning] : Words)
    {
        if (sWord == QLatin1String(szWord))
            Field = Meaning;
    }
}

// A whole signed 32-bit number sets Field; anything else leaves it.
void ApplyInt32(const QString &sVal, std::optional<int32_t> &Field)
{
    int32_t iNumber = 0;
    if (CConfigFile::ParseInt32(sVal, iNumber))
        Field = iNumber;
}

}  // namespace

bool CConfigFile::ProcessLine(const QString &sLine, QString &sArg, QString &sVal)
{
    sArg.clear();
    sVal.clear();

    QString sText = sLine.trimmed();
    const qsizetype iComment = sText.indexOf(QLatin1String("//"));
    if (iComment >= 0)
    {
        sText = sText.left(iComment).trimmed();
        if (sText.isEmpty())
            return false;
    }

    const qsizetype iEquals = sText.indexOf(QLatin1Char('='));
    if (iEquals < 0)
        return false;
    sArg = sText.left(iEquals).trimmed().toLower();
    sVal = sText.mid(iEquals + 1).trimmed();
    return true;
}

bool CConfigFile::ParseInt32(const QString &sText, int32_t &iValue)
{
    // from_chars takes a "-" but no "+", and only ASCII digits; a "+" is
    // dropped here when a digit follows it, so that "+-1" stays refused.
    const QByteArray Text = sText.toLatin1();
    const char *lpFirst = Text.constData();
    const char *lpLast = lpFirst + Text.size();
    if (lpFirst != lpLast && *lpFirst == '+' && lpLast - lpFirst > 1 && lpFirst[1] >= '0' && lpFirst[1] <= '9')
        ++lpFirst;
    int32_t iParsed = 0;
    const auto [lpEnd, eError] = std::from_chars(lpFirst, lpLast, iParsed);
    if (eError != std::errc() || lpEnd != lpLast)
        return false;
    iValue = iParsed;
    return true;
}

void CConfigFile::ApplyLine(const QString &sLine, SConfigValues &Values)
{
    QString sArg, sVal;
    if (!ProcessLine(sLine, sArg, sVal))
        return;

    if (sArg == QLatin1String("larkspur.extractdirectory"))
    {
        // A folder that has gone since the file was written is not offered.
        if (QFileInfo(sVal).isDir())
            Values.sExtractDirectory = sVal;
    }
    else if (sArg == QLatin1String("larkspur.searchword"))
        Values.sSearchWord = sVal;
    else if (sArg == QLatin1String("larkspur.listbox.view"))
        ApplyWord<EListView>(sVal, {{"icons", EListView::Icons}, {"list", EListView::List},
                                    {"details", EListView::Details}}, Values.eView);
    else if (sArg == QLatin1String("forms.main.location.x"))
        ApplyInt32(sVal, Values.iX);
    else if (sArg == QLatin1String("forms.main.location.y"))
        ApplyInt32(sVal, Values.iY);
    else if (sArg == QLatin1String("forms.main.size.width"))
        ApplyInt32(sVal, Values.iWidth);
    else if (sArg == QLatin1String("forms.main.size.height"))
        ApplyInt32(sVal, Values.iHeight);
    else if (sArg == QLatin1String("forms.main.windowstate"))
        ApplyWord<EWindowState>(sVal, {{"normal", EWindowState::Normal}, {"maximized", EWindowState::Maximized}},
                                Values.eWindowState);
    else if (sArg == QLatin1String("preview.visible"))
        ApplyWord<bool>(sVal, {{"true", true}, {"false", false}}, Values.bPreview);
    else if (sArg == QLatin1String("recentfiles.gcf") && IsRecentFileAllowed(sVal))
        Values.RecentFiles.append(sVal);
}

bool CConfigFile::Load(const QString &sPath, SConfigValues &Values)
{
    QFile File;
    if (!CProgramFiles::OpenRegularFile(sPath, File))
        return false;

    QByteArray Line;
    bool bAfterCR = false;
    const auto EndLine = [&]() {
        ApplyLine(DecodeLine(Line), Values);
        Line.clear();
    };

    // Only the first MAX_FILE_BYTES count: no real settings file comes near.
    char Buffer[16384];
    for (qint64 iTotal = 0; iTotal < MAX_FILE_BYTES;)
    {
        const qint64 iRead = File.read(Buffer, std::min<qint64>(sizeof Buffer, MAX_FILE_BYTES - iTotal));
        if (iRead < 0)
            return false;  // the lines read so far stay applied
        if (iRead == 0)
            break;
        iTotal += iRead;
        for (qint64 i = 0; i < iRead; ++i)
        {
            const char c = Buffer[i];
            if (c == '\n')
            {
                if (!bAfterCR)
                    EndLine();
                bAfterCR = false;
            }
            else if (c == '\r')
            {
                EndLine();
                bAfterCR = true;
            }
            else
            {
                Line.append(c);
                bAfterCR = false;
            }
        }
    }
    if (!Line.isEmpty())
        EndLine();
    return true;
}

bool CConfigFile::IsRecentFileAllowed(const QString &sFile)
{
    return !HoldsLineBreak(sFile) && sFile.toUtf8().size() <= MAX_RECENT_FILE_BYTES;
}

SSaveResult CConfigFile::Write(const QString &sPath, const SConfigValues &Values)
{
    // A value with a line break is never written: the search word and the
    // folder then go out empty, a recent entry not at all.
    const auto Value = [](const std::optional<QString> &sValue) {
        return sValue && !HoldsLineBreak(*sValue) ? *sValue : QString();
    };
    QStringList Lines;
    Lines << QStringLiteral("[Larkspur]") << QString();
    Lines << QStringLiteral("Larkspur.ExtractDirectory = ") + Value(Values.sExtractDirectory);
    Lines << QStringLiteral("Larkspur.SearchWord = ") + Value(Values.sSearchWord);
    if (Values.eView)
    {
        switch (*Values.eView)
        {
        case EListView::Icons: Lines << QStringLiteral("Larkspur.Listbox.View = Icons"); break;
        case EListView::List: Lines << QStringLiteral("Larkspur.Listbox.View = List"); break;
        case EListView::Details: Lines << QStringLiteral("Larkspur.Listbox.View = Details"); break;
        }
    }
    Lines << QString() << QStringLiteral("[Forms]") << QString();
    Lines << QStringLiteral("Forms.Main.Location.X = ") + QString::number(Values.iX.value_or(0));
    Lines << QStringLiteral("Forms.Main.Location.Y = ") + QString::number(Values.iY.value_or(0));
    Lines << QStringLiteral("Forms.Main.Size.Width = ") + QString::number(Values.iWidth.value_or(0));
    Lines << QStringLiteral("Forms.Main.Size.Height = ") + QString::number(Values.iHeight.value_or(0));
    Lines << (Values.eWindowState == EWindowState::Maximized ? QStringLiteral("Forms.Main.WindowState = Maximized")
                                                             : QStringLiteral("Forms.Main.WindowState = Normal"));
    Lines << QString() << QStringLiteral("[Recent Files]") << QString();
    // Oldest first: each line read back goes to the front of the list.
    for (qsizetype i = Values.RecentFiles.size() - 1; i >= 0; --i)
    {
        if (IsRecentFileAllowed(Values.RecentFiles[i]))
            Lines << QStringLiteral("RecentFiles.GCF = ") + Values.RecentFiles[i];
    }
    // Settings added later come after all of the first version's, so that
    // a file of that version, which has none of them, reads as before.
    Lines << QString() << QStringLiteral("[Preview]") << QString();
    Lines << (Values.bPreview.value_or(false) ? QStringLiteral("Preview.Visible = True")
                                              : QStringLiteral("Preview.Visible = False"));

    QByteArray Bytes;
    for (const QString &sLine : Lines)
        Bytes += sLine.toUtf8() + "\r\n";
    return CProgramFiles::SaveRegularFile(sPath, Bytes);
}

SSaveResult CConfigFile::WriteMerged(const QString &sPath, SConfigValues Values, const CRecentFiles &Recent)
{
    if (SSaveResult Made = CProgramFiles::MakeParentFolder(sPath); !Made)
        return Made;
    // Held only for the read and the write: a lock left behind by a process
    // that has ended is taken over at once, one left on another host after
    // a while. A lock that cannot be had (a read-only folder, a holder that
    // hangs) does not keep the settings from being written.
    QLockFile Lock(sPath + QStringLiteral(".lock"));
    Lock.setStaleLockTime(SETTINGS_LOCK_STALE_MS);
    Lock.tryLock(SETTINGS_LOCK_WAIT_MS);
    // Where the file cannot be read now, this window's own list stands.
    SConfigValues Stored;
    Values.RecentFiles = Load(sPath, Stored) ? Recent.MergedWith(Stored.RecentFiles) : Recent.Files();
    return Write(sPath, Values);
}

}  // namespace Larkspur
