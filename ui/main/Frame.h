#pragma once

#include <QGroupBox>

namespace kdx {

// A frame: a border whose caption sits on its top line. The controls inside are placed by
// position, the border's top line lying half a text line below the frame's top.
class Frame : public QGroupBox {
    Q_OBJECT

  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kdx
