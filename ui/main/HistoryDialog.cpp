#include "ui/main/HistoryDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/Codec.h"
#include "config/MemoryFields.h"
#include "state/Module10.h"

namespace kdx {

HistoryDialog::HistoryDialog(Module10& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle("Historie modulů");
    list = new QTreeWidget;
    list->setRootIsDecorated(false);
    list->setHeaderLabels({"Čas", "Přenos", "Port", "Výsledek", "Modul (jmenný text, 1. číslo)"});
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    openButton = new QPushButton("Otevřít jako nastavení");
    compareButton = new QPushButton("Porovnat s nastavením");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(openButton, QDialogButtonBox::ActionRole);
    buttons->addButton(compareButton, QDialogButtonBox::ActionRole);
    details = new QPlainTextEdit;
    details->setReadOnly(true);
    where = new QLabel;
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addWidget(list, 3);
    layout->addWidget(details, 1);
    layout->addWidget(buttons);
    resize(820, 480);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(openButton, &QPushButton::clicked, this, [this] { OpenEntry(Current()); });
    connect(compareButton, &QPushButton::clicked, this, [this] { CompareEntry(Current()); });
    connect(list, &QTreeWidget::itemActivated, this, [this] { OpenEntry(Current()); });
    Fill();
}

int HistoryDialog::Current() const {
    return list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
}

void HistoryDialog::Fill() {
    const Journal journal;
    JournalListing listing = journal.List();
    entries_ = std::move(listing.entries);
    list->clear();
    for (const JournalEntry& entry : entries_) {
        list->addTopLevelItem(
            new QTreeWidgetItem({EntryTime(entry), ProcedureWords(entry.procedure), entry.port,
                                 OutcomeWords(entry), EntrySummary(entry.image)}));
    }
    if (!entries_.empty()) list->setCurrentItem(list->topLevelItem(0));
    where->setText(QString("%1%2").arg(
        journal.Folder(), Journal::Enabled() ? QString() : QString(" (zaznamenávání je vypnuto)")));
    // Said, never fatal: the other entries stay usable.
    details->setPlainText(listing.damaged.isEmpty()
                              ? QString()
                              : "Poškozené záznamy vynechány:\n" + listing.damaged.join('\n'));
    openButton->setEnabled(!entries_.empty());
    compareButton->setEnabled(!entries_.empty());
}

bool HistoryDialog::OpenEntry(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return false;
    const JournalEntry& entry = entries_[static_cast<std::size_t>(row)];
    auto setup = StoredSetup(entry.image);
    if (!setup) {
        details->setPlainText("Obraz záznamu nelze dekódovat: nastavení z něj nelze otevřít.");
        return false;
    }
    state_.Document().Take(std::move(*setup), entry.image, SetupDocument::Origin::kModule);
    state_.LogMessage(QString("otevřen záznam historie: %1 %2")
                          .arg(EntryTime(entry), ProcedureWords(entry.procedure))
                          .toStdString());
    return true;
}

void HistoryDialog::CompareEntry(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return;
    const ConfigBuffer& old = entries_[static_cast<std::size_t>(row)].image;
    const ConfigBuffer now = state_.Document().ImageToWrite();
    QStringList lines;
    for (const MemoryField& field : DifferingFields(old, now)) {
        lines << QString("%1: %2 -> %3")
                     .arg(QString::fromStdString(field.name),
                          QString::fromStdString(DescribeField(field, old)),
                          QString::fromStdString(DescribeField(field, now, &state_.Setup())));
    }
    details->setPlainText(lines.isEmpty() ? QString("Záznam a nastavení v okně jsou shodné.")
                                          : "Záznam -> nastavení v okně:\n" + lines.join('\n'));
}

}  // namespace kdx
