#include "files/Visible.h"

namespace kdx {

QString Visible(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        switch (c.category()) {
            case QChar::Other_Control:
            case QChar::Separator_Line:
            case QChar::Separator_Paragraph:
                shown += c.unicode() < 0x100 ? QString("\\x%1").arg(c.unicode(), 2, 16, QChar('0'))
                                             : QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
                break;
            default:
                shown += c;
        }
    }
    return shown;
}

}  // namespace kdx
