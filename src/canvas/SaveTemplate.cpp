#include "canvas/SaveTemplate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/Language.h"
#include "platform/Prompts.h"

namespace quillmark {

SaveTemplate::SaveTemplate(QWidget *parent)
    : QDialog(parent)
    , m_message(new QLabel(Language::stringForKey(QStringLiteral("Template Name:"))))
    , m_title(new QLineEdit)
    , m_ok(new QPushButton(Language::stringForKey(QStringLiteral("OK"))))
    , m_cancel(new QPushButton(Language::stringForKey(QStringLiteral("Cancel"))))
{
    setWindowTitle(Language::stringForKey(QStringLiteral("Save as Template")));
    setObjectName(QStringLiteral("SaveTemplate"));
    m_title->setObjectName(QStringLiteral("templateTitle"));
    m_title->setMinimumWidth(260);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addWidget(m_title);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);

    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel->setAutoDefault(false);
    m_ok->setEnabled(false);
    connect(m_title, &QLineEdit::textChanged, this, [this] { controlTextDidChange(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { buttonPressed(0); });
}

QString SaveTemplate::templateTitle() const
{
    return m_title->text();
}

void SaveTemplate::setTempTitle(const QString &title)
{
    if (title.isNull())
        return;
    m_title->setText(title);
    controlTextDidChange();
}

QString SaveTemplate::message() const
{
    return m_message->text();
}

void SaveTemplate::setMessage(const QString &message)
{
    if (!message.isNull())
        m_message->setText(message);
}

void SaveTemplate::controlTextDidChange()
{
    m_ok->setEnabled(!m_title->text().isEmpty());
}

void SaveTemplate::buttonPressed(int tag)
{
    // Return presses the default button even while it is disabled: an empty name is no answer.
    if (tag == 1 && !m_ok->isEnabled())
        return;
    done(tag);
}

int SaveTemplate::runModal(QWidget *parent)
{
    m_title->selectAll();
    m_title->setFocus();
    return Prompts::current().runPanel(parent, this);
}

} // namespace quillmark
