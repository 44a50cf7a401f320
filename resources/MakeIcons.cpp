// SPDX-License-Identifier: MIT
// Draws the program's pictures: the program icon and the folder, open folder
// and file pictures of the tree and the item list, as PNG files in the folder
// given as the only argument. scripts/make-icons builds and runs it; the PNG
// files it writes are kept with the sources, so a build needs neither.
//
// Item pictures are designed on a 16-unit grid, so that 1-unit lines sit on
// whole pixels at 16 and at 32 pixels.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

using DrawFn = std::function<void(QPainter &)>;

bool Save(const QString &sFolder, const QString &sName, int iSize, double dGrid, const DrawFn &Draw)
{
    QImage Image(iSize, iSize, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    {
        QPainter Painter(&Image);
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.scale(iSize / dGrid, iSize / dGrid);
        Draw(Painter);
    }
    const QString sPath = QStringLiteral("%1/%2-%3.png").arg(sFolder, sName).arg(iSize);
    if (!Image.save(sPath))
    {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(sPath));
        return false;
    }
    return true;
}

const QColor FolderEdge(150, 104, 10);
const QColor PaperEdge(120, 128, 140);

// The back of a folder with its tab, the part behind the papers.
void DrawFolderBack(QPainter &Painter)
{
    QPainterPath Back;
    Back.moveTo(1.5, 3.5);
    Back.lineTo(5.5, 3.5);
    Back.lineTo(7, 5);
    Back.lineTo(14.5, 5);
    Back.lineTo(14.5, 13.5);
    Back.lineTo(1.5, 13.5);
    Back.closeSubpath();
    QLinearGradient Fill(0, 3, 0, 14);
    Fill.setColorAt(0, QColor(236, 186, 60));
    Fill.setColorAt(1, QColor(214, 156, 30));
    Painter.setPen(QPen(FolderEdge, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    Painter.setBrush(Fill);
    Painter.drawPath(Back);
}

void DrawFolder(QPainter &Painter)
{
    DrawFolderBack(Painter);
    QPainterPath Front;
    Front.addRoundedRect(QRectF(1.5, 6.5, 13, 7), 0.6, 0.6);
    QLinearGradient Fill(0, 6, 0, 14);
    Fill.setColorAt(0, QColor(255, 226, 120));
    Fill.setColorAt(1, QColor(247, 192, 52));
    Painter.setPen(QPen(FolderEdge, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    Painter.setBrush(Fill);
    Painter.drawPath(Front);
    // A highlight along the front's top edge.
    Painter.setPen(QPen(QColor(255, 244, 196), 0.6));
    Painter.drawLine(QPointF(2.4, 7.5), QPointF(13.6, 7.5));
}

void DrawFolderOpen(QPainter &Painter)
{
    DrawFolderBack(Painter);
    // A sheet of paper standing in the folder.
    Painter.setPen(QPen(PaperEdge, 0.8));
    Painter.setBrush(QColor(252, 252, 250));
    Painter.drawRect(QRectF(3.5, 4.5, 9, 6));
    // The front flap, tilted open towards the viewer.
    QPainterPath Front;
    Front.moveTo(3.5, 7.5);
    Front.lineTo(15.5, 7.5);
    Front.lineTo(13.5, 13.5);
    Front.lineTo(1.5, 13.5);
    Front.closeSubpath();
    QLinearGradient Fill(0, 7, 0, 14);
    Fill.setColorAt(0, QColor(255, 234, 140));
    Fill.setColorAt(1, QColor(250, 200, 64));
    Painter.setPen(QPen(FolderEdge, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    Painter.setBrush(Fill);
    Painter.drawPath(Front);
}

void DrawFile(QPainter &Painter)
{
    QPainterPath Page;
    Page.moveTo(3.5, 1.5);
    Page.lineTo(9.5, 1.5);
    Page.lineTo(12.5, 4.5);
    Page.lineTo(12.5, 14.5);
    Page.lineTo(3.5, 14.5);
    Page.closeSubpath();
    QLinearGradient Fill(3, 1, 13, 15);
    Fill.setColorAt(0, QColor(255, 255, 255));
    Fill.setColorAt(1, QColor(226, 232, 240));
    Painter.setPen(QPen(PaperEdge, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    Painter.setBrush(Fill);
    Painter.drawPath(Page);
    // The folded corner.
    QPainterPath Fold;
    Fold.moveTo(9.5, 1.5);
    Fold.lineTo(9.5, 4.5);
    Fold.lineTo(12.5, 4.5);
    Painter.setBrush(QColor(214, 220, 230));
    Painter.drawPath(Fold);
    // Lines of text.
    Painter.setPen(QPen(QColor(150, 160, 176), 0.8));
    for (const double dY : {6.5, 8.5, 10.5, 12.5})
        Painter.drawLine(QPointF(5, dY), QPointF(dY < 7 ? 8.5 : 11, dY));
}

// The program icon, on a 64-unit grid: a spike of larkspur flowers rising
// from a rounded tile, violet on deep blue. images/larkspur.svg is the same
// picture for the scalable icon theme: change both together.
void DrawProgram(QPainter &Painter)
{
    QPainterPath Tile;
    Tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QLinearGradient Back(0, 2, 0, 62);
    Back.setColorAt(0, QColor(58, 74, 140));
    Back.setColorAt(1, QColor(24, 30, 74));
    Painter.setPen(QPen(QColor(16, 20, 52), 2));
    Painter.setBrush(Back);
    Painter.drawPath(Tile);

    // The stem, curving slightly.
    QPainterPath Stem;
    Stem.moveTo(30, 58);
    Stem.cubicTo(31, 44, 33, 28, 34, 8);
    Painter.setPen(QPen(QColor(96, 176, 84), 3, Qt::SolidLine, Qt::RoundCap));
    Painter.setBrush(Qt::NoBrush);
    Painter.drawPath(Stem);
    // Two leaves at the foot.
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(QColor(96, 176, 84));
    QPainterPath Leaf;
    Leaf.moveTo(30, 54);
    Leaf.quadTo(18, 50, 12, 40);
    Leaf.quadTo(24, 42, 30, 50);
    Leaf.moveTo(31, 52);
    Leaf.quadTo(42, 50, 50, 42);
    Leaf.quadTo(38, 42, 31, 48);
    Painter.drawPath(Leaf);

    // Florets: five petals round a pale eye, smaller towards the tip.
    struct SFloret { double dX, dY, dRadius; };
    const SFloret Florets[] = {
        {24, 38, 8.0}, {41, 33, 7.4}, {27, 25, 6.6}, {40, 20, 5.8}, {30, 13, 4.8}, {36, 7, 3.6},
    };
    for (const SFloret &Floret : Florets)
    {
        for (int iPetal = 0; iPetal < 5; ++iPetal)
        {
            const double dAngle = (iPetal * 72.0 - 90.0) * M_PI / 180.0;
            const QPointF Centre(Floret.dX + std::cos(dAngle) * Floret.dRadius * 0.55,
                                 Floret.dY + std::sin(dAngle) * Floret.dRadius * 0.55);
            QRadialGradient Petal(Centre, Floret.dRadius * 0.6);
            Petal.setColorAt(0, QColor(196, 160, 255));
            Petal.setColorAt(1, QColor(124, 78, 222));
            Painter.setBrush(Petal);
            Painter.drawEllipse(Centre, Floret.dRadius * 0.52, Floret.dRadius * 0.52);
        }
        Painter.setBrush(QColor(250, 244, 210));
        Painter.drawEllipse(QPointF(Floret.dX, Floret.dY), Floret.dRadius * 0.2, Floret.dRadius * 0.2);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication App(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: make-icons FOLDER\n");
        return 2;
    }
    const QString sFolder = QString::fromLocal8Bit(argv[1]);
    bool bOk = true;
    for (const int iSize : {16, 32})
    {
        bOk &= Save(sFolder, QStringLiteral("folder"), iSize, 16, DrawFolder);
        bOk &= Save(sFolder, QStringLiteral("folder-open"), iSize, 16, DrawFolderOpen);
        bOk &= Save(sFolder, QStringLiteral("file"), iSize, 16, DrawFile);
    }
    for (const int iSize : {16, 32, 48, 64, 128, 256})
        bOk &= Save(sFolder, QStringLiteral("larkspur"), iSize, 64, DrawProgram);
    return bOk ? 0 : 1;
}
