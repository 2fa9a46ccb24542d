#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "ui/common/Metrics.h"
#include "ui/main/Grid.h"

using kdx::Grid;

class GridTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Grid> grid;

    // A double-click as the system delivers it: press, release, double-click, release.
    void DoubleClick(QPoint position) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, position);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, position);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, position);
    }

    // The centre of data cell (row, col) in viewport coordinates.
    QPoint CellCentre(int row, int col) const {
        return grid->visualRect(grid->model()->index(row - 1, col - 1)).center();
    }

  private slots:
    void init() {
        grid = std::make_unique<Grid>(5, 4);
        grid->resize(400, 200);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    }
    void cleanup() { grid.reset(); }

    void matrixAddressesTitlesAndData() {
        QCOMPARE(grid->Rows(), 5);
        QCOMPARE(grid->Cols(), 4);
        for (int r = 0; r < grid->Rows(); ++r) {
            for (int c = 0; c < grid->Cols(); ++c) {
                QCOMPARE(grid->TextMatrix(r, c), QString());  // no running header numbers
                grid->SetTextMatrix(r, c, QString("%1/%2").arg(r).arg(c));
            }
        }
        for (int r = 0; r < grid->Rows(); ++r) {
            for (int c = 0; c < grid->Cols(); ++c) {
                QCOMPARE(grid->TextMatrix(r, c), QString("%1/%2").arg(r).arg(c));
            }
        }
        QCOMPARE(grid->horizontalHeaderItem(2)->text(), QString("0/3"));
        QCOMPARE(grid->verticalHeaderItem(1)->text(), QString("2/0"));
        QCOMPARE(grid->item(3, 0)->text(), QString("4/1"));
    }

    void cellsOutsideReadEmptyAndIgnoreTexts() {
        for (auto [r, c] : {std::pair{-1, 0}, {0, -1}, {5, 1}, {1, 4}}) {
            grid->SetTextMatrix(r, c, "x");
            QCOMPARE(grid->TextMatrix(r, c), QString());
        }
    }

    void columnsTakeWidthsInTwipsAndAlignment() {
        grid->SetColWidth(0, 300);
        grid->SetColWidth(2, 630);
        grid->SetColAlignment(2, Qt::AlignCenter);
        QCOMPARE(grid->verticalHeader()->width(), kdx::TwipsToPixels(300));
        QCOMPARE(grid->columnWidth(1), kdx::TwipsToPixels(630));
        for (int r = 1; r < grid->Rows(); ++r) {
            QCOMPARE(Qt::Alignment(grid->item(r - 1, 1)->textAlignment()), Qt::AlignCenter);
            QCOMPARE(Qt::Alignment(grid->item(r - 1, 0)->textAlignment()),
                     Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    void currentCellIsADataCell() {
        QCOMPARE(grid->Row(), 1);
        QCOMPARE(grid->Col(), 1);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(3, 2));
        QCOMPARE(grid->Row(), 3);
        QCOMPARE(grid->Col(), 2);
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(grid->Row(), 4);
        QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton);
        QCOMPARE(grid->Row(), 4);
        QCOMPARE(grid->Col(), 2);
    }

    void cellsAreNotEditable() {
        grid->SetTextMatrix(2, 2, "keep");
        DoubleClick(CellCentre(2, 2));
        QTest::keyClick(grid.get(), Qt::Key_F2);
        QTest::keyClicks(grid.get(), "typed");
        QTest::keyClick(grid.get(), Qt::Key_Return);
        QCOMPARE(grid->TextMatrix(2, 2), QString("keep"));
        QVERIFY(grid->findChildren<QLineEdit*>().isEmpty());
    }

    void doubleClickReportsTheCell() {
        QSignalSpy spy(grid.get(), &Grid::DblClick);
        DoubleClick(CellCentre(4, 3));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 4);
        QCOMPARE(spy.at(0).at(1).toInt(), 3);
        // A double-click event without a press before it (as QTest::mouseDClick sends it) picks
        // the cell it lands on.
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(2, 1));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), 2);
        QCOMPARE(spy.at(1).at(1).toInt(), 1);
    }

    // Return, F2 and Space themselves are tried on the main window's tables.
    void keysActOnTheCurrentCell_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("held");  // a repeat of a held key
        QTest::addColumn<int>("doubleClicks");
        QTest::addColumn<int>("spaces");
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false << 1 << 0;
        QTest::newRow("held Return") << int(Qt::Key_Return) << true << 0 << 0;
        QTest::newRow("held Space") << int(Qt::Key_Space) << true << 0 << 0;
    }
    void keysActOnTheCurrentCell() {
        QFETCH(int, key);
        QFETCH(bool, held);
        QFETCH(int, doubleClicks);
        QFETCH(int, spaces);
        QSignalSpy doubleClickSpy(grid.get(), &Grid::DblClick);
        QSignalSpy spaceSpy(grid.get(), &Grid::SpacePress);
        grid->setCurrentCell(2, 1);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), held);
        QApplication::sendEvent(grid.get(), &press);
        QCOMPARE(doubleClickSpy.count(), doubleClicks);
        QCOMPARE(spaceSpy.count(), spaces);
        for (const QList<QVariant>& cell : doubleClickSpy + spaceSpy) {
            QCOMPARE(cell, (QList<QVariant>{3, 2}));
        }
    }

    // The second press of a double-click that lands on the neighbour still belongs to the cell
    // of the first click, and does not move the current cell.
    void doubleClickBelongsToTheFirstClick() {
        QSignalSpy spy(grid.get(), &Grid::DblClick);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(2, 1));
        const QPoint neighbour = CellCentre(3, 2);
        QMouseEvent second(QEvent::MouseButtonDblClick, neighbour,
                           grid->viewport()->mapToGlobal(neighbour), Qt::LeftButton, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &second);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(0).at(1).toInt(), 1);
        QCOMPARE(grid->Row(), 2);
        QCOMPARE(grid->Col(), 1);
    }
};

QTEST_MAIN(GridTest)
#include "GridTest.moc"
