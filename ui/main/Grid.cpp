#include "ui/main/Grid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <algorithm>
#include <utility>

#include "ui/common/Metrics.h"

namespace kdx {
namespace {

constexpr int kRowHeightTwips = 225;  // what the layout's grid heights allow for all rows
constexpr Qt::Alignment kDefaultAlignment = Qt::AlignLeft | Qt::AlignVCenter;

void SetUpHeader(QHeaderView* header) {
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(kDefaultAlignment);
    header->setMinimumSectionSize(1);
}

}  // namespace

Grid::Grid(int rows, int cols, QWidget* parent)
    : QTableWidget(std::max(rows - 1, 0), std::max(cols - 1, 0), parent) {
    setEditTriggers(NoEditTriggers);
    // Tab leaves the grid for the next control, as everywhere else; the arrows move the cell.
    setTabKeyNavigation(false);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    SetUpHeader(horizontalHeader());
    SetUpHeader(verticalHeader());
    // Without header items the headers would show their own running numbers.
    setHorizontalHeaderLabels(QStringList(columnCount(), QString()));
    setVerticalHeaderLabels(QStringList(rowCount(), QString()));
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            cell->setTextAlignment(kDefaultAlignment);
            setItem(r, c, cell);
        }
    }
    // The corner button belongs to the table; painting it ourselves gives cell (0, 0) a text.
    corner_ = findChild<QAbstractButton*>();
    if (corner_) corner_->installEventFilter(this);
    FitRowHeight();
}

QString Grid::TextMatrix(int row, int col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return {};
    if (row == 0 && col == 0) return cornerText_;
    const QTableWidgetItem* cell = row == 0   ? horizontalHeaderItem(col - 1)
                                   : col == 0 ? verticalHeaderItem(row - 1)
                                              : item(row - 1, col - 1);
    return cell ? cell->text() : QString();
}

void Grid::SetTextMatrix(int row, int col, const QString& text) {
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return;
    if (row == 0 && col == 0) {
        cornerText_ = text;
        if (corner_) corner_->update();
        return;
    }
    QTableWidgetItem* cell = row == 0   ? horizontalHeaderItem(col - 1)
                             : col == 0 ? verticalHeaderItem(row - 1)
                                        : item(row - 1, col - 1);
    cell->setText(text);
}

void Grid::SetColWidth(int col, int twips) {
    if (col == 0) {
        verticalHeader()->setFixedWidth(TwipsToPixels(twips));
    } else if (col > 0 && col < Cols()) {
        setColumnWidth(col - 1, TwipsToPixels(twips));
    }
}

void Grid::SetColAlignment(int col, Qt::Alignment alignment) {
    if (col < 1 || col >= Cols()) return;
    for (int r = 0; r < rowCount(); ++r) item(r, col - 1)->setTextAlignment(alignment);
}

int Grid::Row() const { return currentRow() >= 0 ? currentRow() + 1 : 1; }
int Grid::Col() const { return currentColumn() >= 0 ? currentColumn() + 1 : 1; }

void Grid::keyPressEvent(QKeyEvent* event) {
    // A held key would open and close, or set and clear, over and over.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
        if (!event->isAutoRepeat()) emit DblClick(Row(), Col());
    } else if (key == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) emit SpacePress(Row(), Col());
    } else {
        QTableWidget::keyPressEvent(event);
    }
}

void Grid::mousePressEvent(QMouseEvent* event) {
    QTableWidget::mousePressEvent(event);
    firstClickSeen_ = true;
}

void Grid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press must not move the current cell: the double-click belongs to the cell
    // that its first click picked. One that comes without a first press picks its own cell.
    const QModelIndex cell = indexAt(event->position().toPoint());
    const bool afterPress = std::exchange(firstClickSeen_, false);
    if (event->button() == Qt::LeftButton && cell.isValid()) {
        if (!afterPress) setCurrentCell(cell.row(), cell.column());
        event->accept();
        emit DblClick(Row(), Col());
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void Grid::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitRowHeight();
}

bool Grid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == corner_ && event->type() == QEvent::Paint) {
        QStylePainter painter(corner_);
        QStyleOptionHeader option;
        option.initFrom(corner_);
        option.rect = corner_->rect();
        option.text = cornerText_;
        option.textAlignment = kDefaultAlignment;
        option.position = QStyleOptionHeader::OnlyOneSection;
        // The button is disabled only so that it ignores clicks; its title looks like the others.
        option.state |= QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Active);
        painter.drawControl(QStyle::CE_Header, option);
        return true;
    }
    return QTableWidget::eventFilter(watched, event);
}

// The layout's row height, unless the font needs more. The title row also makes room for the
// header's own margins, which would otherwise cut the accents off capitals ("Čas/s").
void Grid::FitRowHeight() {
    const int height = std::max(TwipsToPixels(kRowHeightTwips), fontMetrics().height() + 2);
    verticalHeader()->setDefaultSectionSize(height);
    QStyleOptionHeader title;
    title.initFrom(horizontalHeader());
    title.text = QStringLiteral("Č");
    const QSize needed =
        style()->sizeFromContents(QStyle::CT_HeaderSection, &title, QSize(), horizontalHeader());
    horizontalHeader()->setFixedHeight(std::max(height, needed.height()));
}

}  // namespace kdx
