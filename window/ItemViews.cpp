// SPDX-License-Identifier: MIT
#include "window/ItemViews.h"

#include <QApplication>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace Larkspur
{

void CDragStart::Press(Qt::MouseButton eNewButton, QPoint Position, const QModelIndex &NewItem)
{
    bPressed = NewItem.isValid();
    eButton = eNewButton;
    PressPosition = Position;
    Item = NewItem;
}

bool CDragStart::Move(Qt::MouseButtons eButtons, QPoint Position)
{
    if (!bPressed || !(eButtons & eButton))
        return false;
    if ((Position - PressPosition).manhattanLength() < QApplication::startDragDistance())
        return false;
    bPressed = false;
    return Item.isValid();
}

// --- the tree ---------------------------------------------------------------

int GCFTreeWidget::Depth(const QTreeWidgetItem *lpItem)
{
    int iDepth = 0;
    for (const QTreeWidgetItem *lpParent = lpItem->parent(); lpParent; lpParent = lpParent->parent())
        ++iDepth;
    return iDepth;
}

void GCFTreeWidget::ExpandAllBelow(QTreeWidgetItem *lpItem)
{
    const int iDepth = Depth(lpItem);
    if (iDepth <= MAX_OPEN_DEPTH)
        expandRecursively(indexFromItem(lpItem), MAX_OPEN_DEPTH - iDepth);
}

void GCFTreeWidget::SelectAndReveal(QTreeWidgetItem *lpItem)
{
    if (Depth(lpItem) > MAX_OPEN_DEPTH)
    {
        selectionModel()->select(indexFromItem(lpItem), QItemSelectionModel::ClearAndSelect);
        return;
    }
    for (QTreeWidgetItem *lpParent = lpItem->parent(); lpParent; lpParent = lpParent->parent())
        lpParent->setExpanded(true);
    setCurrentItem(lpItem);
    scrollToItem(lpItem);
}

bool GCFTreeWidget::KeyToWindow(QKeyEvent *lpEvent)
{
    if (lpEvent->key() == Qt::Key_Asterisk && currentItem())
    {
        ExpandAllBelow(currentItem());
        return true;
    }
    const EViewKey eKey = ViewKeyCommand(lpEvent->key(), lpEvent->modifiers());
    if (eKey != EViewKey::ContextMenu && eKey != EViewKey::ParentFolder)
        return false;
    emit KeyDown(eKey);
    return true;
}

// --- the cells of the Icons and List views ----------------------------------------

GCFListItemDelegate::GCFListItemDelegate(QListView *lpView) : QStyledItemDelegate(lpView), lpView(lpView)
{
    connect(lpView->model(), &QAbstractItemModel::modelReset, this, [this] { ForgetLongestName(); });
    connect(lpView->model(), &QAbstractItemModel::layoutChanged, this, [this] { ForgetLongestName(); });
}

QSize GCFListItemDelegate::IconGridSize(const QFontMetrics &Metrics)
{
    // The picture, the gap below it and the style's margins around the text.
    constexpr int ICON_AND_MARGINS = 32 + 12;
    return QSize(104, ICON_AND_MARGINS + ICON_TEXT_LINES * Metrics.lineSpacing());
}

QSize GCFListItemDelegate::sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const
{
    // Every icon takes its whole cell of the grid: room for the lines of a
    // long name (a large folder's cells all take the size of one), and the
    // style ends the last line with "..." when the name needs more.
    if (lpView->viewMode() == QListView::IconMode && lpView->gridSize().isValid())
        return lpView->gridSize();
    if (!lpView->uniformItemSizes())
        return QStyledItemDelegate::sizeHint(Option, Index);
    if (!LongestNameSize.isValid())
        LongestNameSize = FindLongestNameSize(Option);
    return LongestNameSize;
}

void GCFListItemDelegate::initStyleOption(QStyleOptionViewItem *lpOption, const QModelIndex &Index) const
{
    QStyledItemDelegate::initStyleOption(lpOption, Index);
    if (lpView->viewMode() != QListView::IconMode || !lpOption->rect.isValid())
        return;
    // The text's width as the style gives it under the picture.
    const int iMargin = lpView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, lpOption, lpView) + 1;
    lpOption->text = WrappedName(lpOption->text, lpOption->font, lpOption->rect.width() - 2 * iMargin);
}

QString GCFListItemDelegate::WrappedName(const QString &sName, const QFont &Font, int iWidth)
{
    QTextLayout Layout(sName, Font);
    QTextOption Wrapping;
    Wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Layout.setTextOption(Wrapping);
    Layout.beginLayout();
    QStringList Lines;
    for (QTextLine Line = Layout.createLine(); Line.isValid(); Line = Layout.createLine())
    {
        Line.setLineWidth(iWidth);
        if (Lines.size() == ICON_TEXT_LINES - 1)
        {
            Lines.append(QFontMetrics(Font).elidedText(sName.sliced(Line.textStart()), Qt::ElideRight, iWidth));
            break;
        }
        Lines.append(sName.sliced(Line.textStart(), Line.textLength()));
    }
    Layout.endLayout();
    return Lines.join(QChar::LineSeparator);
}

QSize GCFListItemDelegate::FindLongestNameSize(const QStyleOptionViewItem &Option) const
{
    const QAbstractItemModel *lpModel = lpView->model();
    const int iRows = lpModel->rowCount(lpView->rootIndex());
    if (iRows == 0)
        return QSize(0, 0);
    if (MeasuredFont != Option.font)
    {
        CharacterWidths.clear();
        MeasuredFont = Option.font;
    }
    // Every name is estimated; the few near the widest are laid out as the
    // style lays them out, and the widest of those gives the size.
    const QFontMetricsF Metrics(Option.font);
    std::vector<std::pair<qreal, int>> Widths;
    Widths.reserve(size_t(iRows));
    for (int iRow = 0; iRow < iRows; ++iRow)
    {
        const QModelIndex Index = lpModel->index(iRow, lpView->modelColumn(), lpView->rootIndex());
        Widths.emplace_back(EstimatedWidth(Metrics, Index.data(Qt::DisplayRole).toString()), iRow);
    }
    constexpr size_t CANDIDATES = 32;
    const size_t uiCandidates = std::min(CANDIDATES, Widths.size());
    std::partial_sort(Widths.begin(), Widths.begin() + qsizetype(uiCandidates), Widths.end(),
                      [](const auto &Left, const auto &Right) { return Left.first > Right.first; });
    QSize Longest(0, 0);
    for (size_t uiCandidate = 0; uiCandidate < uiCandidates; ++uiCandidate)
    {
        const QModelIndex Index = lpModel->index(Widths[uiCandidate].second, lpView->modelColumn(), lpView->rootIndex());
        Longest = Longest.expandedTo(QStyledItemDelegate::sizeHint(Option, Index));
    }
    // A few pixels for what the sum of characters leaves out (kerning).
    return Longest + QSize(4, 0);
}

qreal GCFListItemDelegate::EstimatedWidth(const QFontMetricsF &Metrics, const QString &sName) const
{
    qreal fWidth = 0;
    for (const QChar cChar : sName)
    {
        auto Found = CharacterWidths.constFind(cChar.unicode());
        if (Found == CharacterWidths.constEnd())
            Found = CharacterWidths.insert(cChar.unicode(), cChar.isSurrogate() ? Metrics.maxWidth() / 2
                                                                                 : Metrics.horizontalAdvance(cChar));
        fWidth += *Found;
    }
    return fWidth;
}

void GCFDetailsItemDelegate::initStyleOption(QStyleOptionViewItem *lpOption, const QModelIndex &Index) const
{
    QStyledItemDelegate::initStyleOption(lpOption, Index);
    QString &sText = lpOption->text;
    if (sText.size() <= MOST_SHOWN_CHARACTERS)
        return;
    // Cut where the style would cut, and never inside a character.
    const auto CutAt = [&](qsizetype iAt) { return iAt > 0 && sText[iAt].isLowSurrogate() ? iAt + 1 : iAt; };
    const QString sEllipsis(QChar(0x2026));
    const qsizetype iHalf = MOST_SHOWN_CHARACTERS / 2;
    switch (lpOption->textElideMode)
    {
    case Qt::ElideLeft: sText = sEllipsis + sText.sliced(CutAt(sText.size() - MOST_SHOWN_CHARACTERS)); break;
    case Qt::ElideMiddle:
        sText = sText.first(CutAt(iHalf)) + sEllipsis + sText.sliced(CutAt(sText.size() - iHalf));
        break;
    default: sText = sText.first(CutAt(MOST_SHOWN_CHARACTERS)) + sEllipsis; break;
    }
}

}  // namespace Larkspur
