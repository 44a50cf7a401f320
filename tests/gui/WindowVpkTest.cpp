// SPDX-License-Identifier: MIT
// VPK sets in the window: each version opens with its title, status bar,
// tree and list; Properties show the stored CRC32 and no GCF flags; the
// preview reads preload and data file bytes and names a missing data file;
// a damaged directory file is refused as a GCF is; Extract, Shell Execute
// and drag-out write the set's bytes.

#include "WindowFixture.h"

#include "VpkBuilder.h"
#include "window/PreviewPane.h"
#include "window/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace
{

class WindowVpkTest : public WindowTest
{
protected:
    // Writes the sample set as pak01_dir.vpk and its data files; its path.
    QString WriteSampleSet(uint32_t uiVersion, VpkBuilder::SSet *lpSet = nullptr)
    {
        VpkBuilder::SOptions Options;
        Options.uiVersion = uiVersion;
        const VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles(), Options);
        EXPECT_TRUE(VpkBuilder::WriteSet(Set, WorkFolder.path().toStdString(), "pak01"));
        if (lpSet)
            *lpSet = Set;
        return WorkFolder.filePath(QStringLiteral("pak01_dir.vpk"));
    }

    int RowOf(const QString &sName) const
    {
        for (int iRow = 0; iRow < ListModel()->rowCount(); ++iRow)
            if (ListName(iRow) == sName)
                return iRow;
        ADD_FAILURE() << sName.toStdString();
        return 0;
    }
    void ShowFolder(const QString &sPath) const { Tree()->setCurrentItem(Node(sPath)); }
    static std::string FileBytes(const QString &sPath)
    {
        QFile File(sPath);
        return File.open(QIODevice::ReadOnly) ? File.readAll().toStdString() : std::string("<unreadable>");
    }
    QString PreviewOf(const QString &sName) const
    {
        SelectRows({RowOf(sName)});
        EXPECT_TRUE(QTest::qWaitFor([&] { return Child<QLabel>("lblPreviewName")->text() == sName; }));
        return Child<QPlainTextEdit>("txtPreview")->toPlainText();
    }
};

}  // namespace

TEST_F(WindowVpkTest, EachVersionOpensWithTitleStatusTreeAndList)
{
    Start();
    for (const uint32_t uiVersion : {1u, 2u})
    {
        SCOPED_TRACE(uiVersion);
        VpkBuilder::SSet Set;
        const QString sPath = WriteSampleSet(uiVersion, &Set);
        uint64_t uiSetBytes = Set.Directory.size();
        for (const auto &[uiIndex, Bytes] : Set.DataFiles)
            uiSetBytes += Bytes.size();
        Open(sPath);

        EXPECT_EQ(Window->windowTitle(), QStringLiteral("Larkspur - pak01_dir.vpk"));
        EXPECT_EQ(PanelText("pnlFile"), sPath);
        EXPECT_EQ(PanelText("pnlFileSize"), Larkspur::Utils::FileSizeToString(uint32_t(uiSetBytes)));
        EXPECT_EQ(PanelText("pnlGCFVersion"), QStringLiteral("VPK v%1").arg(uiVersion));
        EXPECT_EQ(PanelText("pnlUsedBlocks"), QStringLiteral("9"));
        EXPECT_EQ(ConsoleLines().last(), sPath + QStringLiteral(" loaded."));
        EXPECT_TRUE(Action("btnFind")->isEnabled());

        ShowFolder(QStringLiteral("root/maps"));
        QStringList Rows = ListRows();
        Rows.sort();
        EXPECT_EQ(Rows, (QStringList{"a.bsp|4.88 KB|Half-Life Level", "b.bsp|2.93 KB|Half-Life Level",
                                     "readme.txt|200 B|Text File", "sub|1 Item|Folder"}));
        ASSERT_NE(Node(QStringLiteral("root/sound/deep/er")), nullptr);
        ShowFolder(QStringLiteral("root/bin"));
        EXPECT_EQ(ListRows(), QStringList{"README|300 B|File"});
    }
}

TEST_F(WindowVpkTest, PropertiesShowTheStoredCrc32AndNoFlags)
{
    Start();
    Open(WriteSampleSet(2));
    ShowFolder(QStringLiteral("root/maps"));
    SelectRows({RowOf(QStringLiteral("a.bsp"))});
    bool bShown = false;
    Desktop.OnDialog = [&](QDialog &Dialog) {
        bShown = true;
        const auto Text = [&](const char *szName) {
            if (const auto *lpLabel = Dialog.findChild<QLabel *>(QLatin1String(szName)))
                return lpLabel->text();
            const auto *lpText = Dialog.findChild<QLineEdit *>(QLatin1String(szName));
            return lpText ? lpText->text() : QStringLiteral("<none>");
        };
        EXPECT_EQ(Text("txtLocation"), QStringLiteral("\\root\\maps\\a.bsp"));
        EXPECT_EQ(Text("lblSize"), QStringLiteral("4.88 KB (5,000 B)"));
        EXPECT_EQ(Text("lblSizeOnDisk"), QStringLiteral("4.88 KB (5,000 B)"));
        EXPECT_EQ(Text("lblFlags"), QStringLiteral("<none>"));
        EXPECT_EQ(Text("lblLocalCopy"), QStringLiteral("<none>"));
        const QString sStored = QStringLiteral("%1").arg(
            VpkBuilder::Crc32(GcfBuilder::PatternData(5000, 1)), 8, 16, QLatin1Char('0'));
        EXPECT_EQ(Text("txtStoredCrc32"), sStored);
        Dialog.findChild<QPushButton *>(QStringLiteral("btnCompute"))->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Text("txtCrc32").isEmpty(); }));
        EXPECT_EQ(Text("txtCrc32"), sStored);
        return int(QDialog::Accepted);
    };
    Action("btnGCFListViewItemProperties")->trigger();
    Desktop.OnDialog = nullptr;
    EXPECT_TRUE(bShown);
}

TEST_F(WindowVpkTest, PreviewReadsEveryKindOfStorageAndNamesAMissingDataFile)
{
    Start();
    const QString sPath = WriteSampleSet(1);
    ASSERT_TRUE(QFile::remove(WorkFolder.filePath(QStringLiteral("pak01_001.vpk"))));
    Open(sPath);
    Action("btnPreview")->trigger();

    // Preload and directory file bytes (root.txt), data file bytes
    // (readme.txt), preload and data file bytes together (README).
    ShowFolder(QStringLiteral("root"));
    EXPECT_EQ(PreviewOf(QStringLiteral("root.txt")),
              QString::fromStdString(GcfBuilder::PatternText(1000, "root.txt")));
    ShowFolder(QStringLiteral("root/maps"));
    EXPECT_EQ(PreviewOf(QStringLiteral("readme.txt")),
              QString::fromStdString(GcfBuilder::PatternText(200, "readme.txt")));

    // README keeps its first 16 bytes in the tree; the rest was in the
    // missing pak01_001.vpk.
    ShowFolder(QStringLiteral("root/bin"));
    PreviewOf(QStringLiteral("README"));
    EXPECT_EQ(Child<QLabel>("lblPreviewDamage")->text(),
              QStringLiteral("Damaged data (%1): the preview ends after 16 bytes.")
                  .arg(QLatin1String(Larkspur::DataWalkReason(Larkspur::EDataWalk::MissingDataFile))));
}

TEST_F(WindowVpkTest, DamagedDirectoryFileIsRefusedAsAGcfIs)
{
    using VpkBuilder::EEntryField;
    using VpkBuilder::EHeaderField;
    const struct
    {
        std::function<void(VpkBuilder::SSet &)> Damage;
        const char *szReason;
    } Cases[] = {
        {[](VpkBuilder::SSet &Set) { VpkBuilder::SetHeaderField(Set, EHeaderField::TreeSize, 0x7FFFFFFF); },
         "Corrupt file.\n\nThe directory tree is not within file bounds."},
        {[](VpkBuilder::SSet &Set) { VpkBuilder::SetEntryField(Set, 2, EEntryField::Terminator, 0x1234); },
         "Corrupt file.\n\nA directory entry does not end with its terminator."},
        {[](VpkBuilder::SSet &Set) { VpkBuilder::SetHeaderField(Set, EHeaderField::Version, 3); },
         nullptr},
    };
    Start();
    Open(WriteSampleSet(2));
    for (const auto &Case : Cases)
    {
        VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles());
        Case.Damage(Set);
        ASSERT_TRUE(VpkBuilder::WriteSet(Set, WorkFolder.path().toStdString(), "bad"));
        const QString sBad = WorkFolder.filePath(QStringLiteral("bad_dir.vpk"));
        Desktop.ErrorBoxes.clear();
        Open(sBad);
        const QString sReason = Case.szReason
                                    ? QLatin1String(Case.szReason)
                                    : QLatin1String(Larkspur::OpenRefusalText(Larkspur::EOpenRefusal::VPKBadVersion));
        EXPECT_EQ(Desktop.ErrorBoxes, QStringList{"Could not open:\n" + sBad + "\n\nError:\n" + sReason});
        EXPECT_EQ(Window->windowTitle(), QStringLiteral("Larkspur"));
        EXPECT_EQ(PanelText("pnlGCFVersion"), QStringLiteral("v0"));
        EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    }
    // The set open before was closed first, and nothing was dumped.
    EXPECT_TRUE(ConsoleLines().contains(WorkFolder.filePath(QStringLiteral("pak01_dir.vpk")) + " closed."));
    EXPECT_FALSE(QFile::exists(WorkFolder.filePath(QStringLiteral("dump.txt"))));
}

TEST_F(WindowVpkTest, ExtractFollowsTheOpenArchiveAndWritesTheSetsBytes)
{
    const QString sOut = WorkFolder.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(sOut));
    Desktop.sFolder = sOut;
    Start();
    // A GCF open first: the engine must read the set that replaces it.
    Open(WriteArchive(QStringLiteral("mixed.gcf"), MixedTree()));
    Open(WriteSampleSet(2));
    Tree()->setCurrentItem(Node(QStringLiteral("root/maps")));
    Action("btnExtractGCFTreeItem")->trigger();
    // Preload with a data file's bytes, data files 0 and 1, the directory file.
    for (const VpkBuilder::SFile &File : VpkBuilder::SampleFiles())
    {
        if (File.sPath.starts_with("maps"))
        {
            EXPECT_EQ(FileBytes(sOut + "/" + QString::fromStdString(File.FullPath())), File.sData) << File.FullPath();
        }
    }

    // And back to the GCF.
    Open(WorkFolder.filePath(QStringLiteral("mixed.gcf")));
    SelectRows({RowOf(QStringLiteral("b.txt"))});
    Action("btnExtractGCFListViewItem")->trigger();
    EXPECT_EQ(FileBytes(sOut + "/b.txt"), "hello world!");
}

TEST_F(WindowVpkTest, ShellExecuteAndDragHandOverCopiesOfTheSetsFiles)
{
    Start();
    Open(WriteSampleSet(1));
    const QString sTemp = TempDirectory();
    const auto Data = [](const std::string &sPath) {
        for (const VpkBuilder::SFile &File : VpkBuilder::SampleFiles())
            if (File.FullPath() == sPath)
                return File.sData;
        return std::string("<none>");
    };

    ShowFolder(QStringLiteral("root/bin"));
    SelectRows({RowOf(QStringLiteral("README"))});
    Action("btnExecuteGCFListViewItem")->trigger();
    ASSERT_EQ(Desktop.OpenedUrls.size(), 1u);
    EXPECT_EQ(Desktop.OpenedUrls[0].toLocalFile(), sTemp + "/README");
    EXPECT_EQ(FileBytes(sTemp + "/README"), Data("bin/README"));

    ShowFolder(QStringLiteral("root/sound"));
    const QPoint From = RowCentre(RowOf(QStringLiteral("deep")));
    QTest::mousePress(CurrentList()->viewport(), Qt::LeftButton, {}, From);
    QTest::mouseMove(CurrentList()->viewport(), From + QPoint(30, 20));
    QTest::mouseRelease(CurrentList()->viewport(), Qt::LeftButton, {}, From + QPoint(30, 20));
    ASSERT_EQ(Desktop.Drags.size(), 1u);
    ASSERT_EQ(Desktop.Drags[0].Urls.size(), 1);
    EXPECT_EQ(Desktop.Drags[0].Urls[0].toLocalFile(), sTemp + "/deep");
    EXPECT_EQ(FileBytes(sTemp + "/deep/er/still.wav"), Data("sound/deep/er/still.wav"));
    EXPECT_TRUE(Desktop.ErrorBoxes.isEmpty());
}

TEST_F(WindowVpkTest, TheFirstBytesChooseTheReaderNotTheName)
{
    Start();
    Open(WriteArchive(QStringLiteral("cache.vpk"), MixedTree()));
    EXPECT_FALSE(PanelText("pnlGCFVersion").startsWith(QStringLiteral("VPK")));
    const QString sRenamed = WorkFolder.filePath(QStringLiteral("pak01.dat"));
    ASSERT_TRUE(QFile::copy(WriteSampleSet(2), sRenamed));
    Open(sRenamed);
    EXPECT_EQ(PanelText("pnlGCFVersion"), QStringLiteral("VPK v2"));
    EXPECT_TRUE(Desktop.ErrorBoxes.isEmpty());
}

TEST_F(WindowVpkTest, ASetPast4GiBShowsItsWholeSize)
{
    Start();
    const QString sPath = WriteSampleSet(1);
    // A sparse data file: the set is past 4 GiB with no more bytes written.
    QFile DataFile(WorkFolder.filePath(QStringLiteral("pak01_001.vpk")));
    ASSERT_TRUE(DataFile.resize(qint64(5) << 30));
    Open(sPath);
    uint64_t uiSetBytes = 0;
    for (const QFileInfo &File : QDir(WorkFolder.path()).entryInfoList({QStringLiteral("pak01_*.vpk")}, QDir::Files))
        uiSetBytes += uint64_t(File.size());
    EXPECT_GT(uiSetBytes, uint64_t(UINT32_MAX));
    EXPECT_EQ(PanelText("pnlFileSize"), Larkspur::Utils::LargeFileSizeToString(uiSetBytes));
}
