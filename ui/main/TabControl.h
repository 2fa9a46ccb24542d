#pragma once

#include <QTabWidget>
#include <QVector>

namespace kdx {

// A tab control whose pages take their controls at positions relative to the control's own
// top-left corner, tab strip included, wherever the style puts the page. The tabs share the
// strip's width equally.
class TabControl : public QTabWidget {
    Q_OBJECT

  public:
    explicit TabControl(QWidget* parent = nullptr);

    // Adds a tab and returns the surface its controls go on.
    QWidget* AddTab(const QString& caption);

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void AlignSurfaces();

    QVector<QWidget*> surfaces_;
};

}  // namespace kdx
