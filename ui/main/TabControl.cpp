#include "ui/main/TabControl.h"

#include <QShortcut>
#include <QTabBar>
#include <algorithm>

namespace kdx {
namespace {

class EqualTabBar : public QTabBar {
  public:
    using QTabBar::QTabBar;

  protected:
    QSize tabSizeHint(int index) const override {
        QSize hint = QTabBar::tabSizeHint(index);
        const QWidget* tabs = parentWidget();
        if (tabs && count() > 0) {
            hint.setWidth(std::max(hint.width(), (tabs->width() - 2) / count()));
        }
        return hint;
    }
};

}  // namespace

TabControl::TabControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new EqualTabBar(this));
    // Ctrl+Tab and Ctrl+Shift+Tab switch tabs from any control on them, also from a grid or a
    // text box that would take the keys for themselves.
    auto step = [this](int by) {
        if (count() > 0) setCurrentIndex((currentIndex() + by + count()) % count());
    };
    for (const auto& [keys, by] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
          // Shift+Tab arrives as Backtab; a second binding as Tab would make the keys ambiguous.
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1}}) {
        auto* shortcut =
            new QShortcut(keys, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [step, by] { step(by); });
    }
}

QWidget* TabControl::AddTab(const QString& caption) {
    auto* page = new QWidget;
    auto* surface = new QWidget(page);
    addTab(page, caption);
    surfaces_.append(surface);
    AlignSurfaces();
    return surface;
}

void TabControl::showEvent(QShowEvent* event) {
    QTabWidget::showEvent(event);  // lays out the pages
    AlignSurfaces();
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QTabWidget::resizeEvent(event);
    AlignSurfaces();
}

// Every page lies at the same place, that of the page stack, which is this control's child.
void TabControl::AlignSurfaces() {
    if (surfaces_.isEmpty()) return;
    const QPoint pageOrigin = widget(0)->parentWidget()->pos();
    for (QWidget* surface : surfaces_) surface->setGeometry(QRect(-pageOrigin, size()));
}

}  // namespace kdx
