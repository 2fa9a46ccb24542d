#include "ui/main/CheckDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/main/Form1.h"
#include "ui/main/Grid.h"
#include "ui/main/TabControl.h"
#include "ui/main/Texts.h"

namespace kdx {

CheckDialog::CheckDialog(Form1& form, QWidget* parent) : QDialog(parent), form_(form) {
    setWindowTitle(QString(texts::kMenuCheck).remove('&'));
    summary = new QLabel(this);
    summary->setWordWrap(true);
    list = new QTreeWidget(this);
    list->setHeaderLabels({texts::kCheckField, texts::kCheckLevel, texts::kCheckSentence});
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->setWordWrap(true);
    list->header()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QTreeWidget::itemActivated, this, &CheckDialog::GoTo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(list, 1);
    layout->addStretch();  // keeps the summary on top when there is no list
    layout->addWidget(buttons);
    resize(760, 300);
}

void CheckDialog::Fill(const std::vector<Finding>& findings) {
    list->clear();
    places_.clear();
    for (const Finding& finding : findings) {
        list->addTopLevelItem(new QTreeWidgetItem({QString::fromStdString(PathOf(finding.place)),
                                                   LevelWord(finding.level),
                                                   QString::fromStdString(finding.sentence)}));
        places_.push_back(finding.place);
    }
    list->setVisible(!findings.empty());
    summary->setText(findings.empty() ? texts::kCheckAllRight : texts::kCheckHint);
    if (findings.empty()) return;
    list->resizeColumnToContents(0);
    list->resizeColumnToContents(1);
    list->setCurrentItem(list->topLevelItem(0));
    list->setFocus();
}

void CheckDialog::GoTo(QTreeWidgetItem* item) {
    const CheckPlace& place = places_.at(static_cast<std::size_t>(list->indexOfTopLevelItem(item)));
    using Area = CheckPlace::Area;
    Grid* grid = nullptr;
    QWidget* target = nullptr;
    switch (place.area) {
        case Area::Commands:
            grid = form_.grid1;
            break;
        case Area::Phones:
            grid = form_.grid2;
            break;
        case Area::Texts:
            grid = form_.grid3;
            break;
        case Area::Sys:
            target = form_.sys;
            break;
        case Area::CreditKeepAlive:
            target = form_.udrzeni;
            break;
        case Area::CreditCode:
            target = form_.kredit;
            break;
    }
    if (grid) {
        // The grids' titles are their headers: data cell (1, 1) is the table's (0, 0). A text
        // is the sent-SMS grid's only data column.
        grid->setCurrentCell(place.row, place.area == Area::Texts ? 0 : place.cell);
        target = grid;
    }
    for (int tab = 0; tab < form_.SSTab1->count(); ++tab) {
        if (form_.SSTab1->widget(tab)->isAncestorOf(target)) form_.SSTab1->setCurrentIndex(tab);
    }
    form_.window()->activateWindow();
    target->setFocus(Qt::OtherFocusReason);
}

}  // namespace kdx
