#include "canvas/LinkTextView.h"

#include <QUrl>

#include "platform/Workspace.h"

namespace quillmark {

namespace {
const char *const LinkColor = "#ffd60a";
}

LinkTextView::LinkTextView(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setOpenExternalLinks(false);
    connect(this, &QLabel::linkActivated, this, [](const QString &link) { Workspace::openURL(QUrl(link)); });
}

QCursor LinkTextView::fingerCursor()
{
    return QCursor(Qt::PointingHandCursor);
}

QString LinkTextView::displayText(const QString &address)
{
    const int slashes = address.indexOf(QLatin1String("//"));
    return slashes < 0 ? address : address.mid(slashes + 2);
}

void LinkTextView::createLink(const QString &address)
{
    m_address = address;
    const QUrl url(address, QUrl::StrictMode);
    m_isLink = url.isValid() && !url.isRelative() && !url.host().isEmpty();
    const QString shown = displayText(address).toHtmlEscaped();
    if (m_isLink) {
        setTextFormat(Qt::RichText);
        setText(QStringLiteral("<a href=\"%1\" style=\"color:%2; text-decoration:underline;\">%3</a>")
                    .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), QLatin1String(LinkColor), shown));
        setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        setCursor(fingerCursor());
    } else {
        setTextFormat(Qt::PlainText);
        setText(displayText(address));
        setTextInteractionFlags(Qt::NoTextInteraction);
        unsetCursor();
    }
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(QLatin1String(LinkColor)));
    setPalette(colours);
}

} // namespace quillmark
