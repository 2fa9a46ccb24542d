#pragma once

#include <QString>
#include <QTableWidget>

namespace kdx {

// A grid with one fixed title row and one fixed title column, addressed as one matrix: row 0 is
// the title row, column 0 the title column, data cells start at (1, 1). The titles are the
// table's headers, so they stay in view while the data scrolls. Cells are not editable in
// place; setting a text from code runs no handler.
class Grid : public QTableWidget {
    Q_OBJECT

  public:
    // rows and cols count the title row and column.
    Grid(int rows, int cols, QWidget* parent = nullptr);

    int Rows() const { return rowCount() + 1; }
    int Cols() const { return columnCount() + 1; }

    // A cell outside the grid reads as "" and ignores a text set.
    QString TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const QString& text);

    void SetColWidth(int col, int twips);
    // Alignment of the column's data cells; the titles keep theirs.
    void SetColAlignment(int col, Qt::Alignment alignment);

    // The current cell, always a data cell: (1, 1) until the user picks another.
    int Row() const;
    int Col() const;

  signals:
    // The user double-clicked a data cell; row and col name the current cell, the one the
    // first click of the double-click picked, even if the second click landed on a neighbour.
    // Enter or F2 on the current cell sends it too, so the keyboard reaches the same handlers.
    void DblClick(int row, int col);
    // Space on the current cell: for the cells that a double-click switches in place.
    void SpacePress(int row, int col);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FitRowHeight();

    QString cornerText_;  // cell (0, 0), painted on the table's corner
    QWidget* corner_ = nullptr;
    bool firstClickSeen_ = false;  // a press came before the next double-click
};

}  // namespace kdx
