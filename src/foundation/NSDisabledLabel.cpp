#include "foundation/NSDisabledLabel.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace quillmark {

NSDisabledLabel::NSDisabledLabel(QWidget *parent)
    : QLabel(parent)
{
}

NSDisabledLabel::NSDisabledLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
}

QColor NSDisabledLabel::textColor() const
{
    return palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
}

void NSDisabledLabel::paintEvent(QPaintEvent *)
{
    if (text().isEmpty())
        return;
    QString plain = text();
    QFont font = this->font();
    if (textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(text()))) {
        QTextDocument document;
        document.setDefaultFont(font);
        document.setHtml(text());
        plain = document.toPlainText();
        if (plain.isEmpty())
            return;
        // The attributes of the first character, as the text holds them.
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::NextCharacter);
        font = cursor.charFormat().font();
    }
    QPainter painter(this);
    painter.setFont(font);
    painter.setPen(textColor());
    const int flags = int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
    painter.drawText(contentsRect(), flags, plain);
}

} // namespace quillmark
