#include "images/GoogleSearchView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "foundation/Language.h"
#include "images/ImageLogoView.h"
#include "images/ImageSearchService.h"
#include "images/iNternetImageLoader.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

namespace quillmark {

GoogleSearchView::GoogleSearchView(ScrollNSImageView *browser, QWidget *parent)
    : QWidget(parent)
    , imageListView(browser)
    , _searchField(new QLineEdit)
    , m_logo(new ImageLogoView)
    , m_status(new QLabel)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // The field gets the whole width; the service's mark and the result go on the line below.
    layout->addWidget(_searchField);
    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(m_logo, 0, Qt::AlignTop);
    row->addWidget(m_status, 1);
    layout->addLayout(row);

    _searchField->setClearButtonEnabled(true);
    _searchField->setText(UserDefaults::standard().stringForKey(QString::fromLatin1(ImageSearchService::LastSearchDefault)));
    QFont small = m_status->font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));
    m_status->setFont(small);
    m_status->setWordWrap(true);
    // A long message (a path) wraps or is cut; it never widens the browser's side of the window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    connect(_searchField, &QLineEdit::returnPressed, this, [this] { m_returnPressed = true; });
    connect(_searchField, &QLineEdit::editingFinished, this, [this] { controlTextDidEndEditing(); });
    NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("RefreshLanguageNotification"),
                                                    [this](const auto &) { refresh(); });

    setInternetloader(nullptr);
    setInternetloader(iNternetImageLoader::initWithView(browser));
    refresh();
}

GoogleSearchView::~GoogleSearchView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    setInternetloader(nullptr);
}

void GoogleSearchView::setInternetloader(iNternetImageLoader *loader)
{
    if (internetImageLoader)
        internetImageLoader->disconnect(this);
    internetImageLoader = loader;
    if (loader)
        connect(loader, &iNternetImageLoader::statusChanged, this, [this] { showStatus(); });
}

void GoogleSearchView::setSearchText(const QString &text)
{
    _searchField->setText(text);
}

void GoogleSearchView::refresh()
{
    _searchField->setPlaceholderText(Language::stringForKey(QStringLiteral("Search the web for pictures")));
    const ImageSearchService::State state = ImageSearchService::state();
    const bool ready = state == ImageSearchService::State::Ready;
    _searchField->setEnabled(ready);
    m_logo->setHomePage(ready ? ImageSearchService::homePage() : QUrl());
    showStatus();
}

void GoogleSearchView::showStatus()
{
    // Said only while the view is shown (the web source is chosen).
    const ImageSearchService::State state = ImageSearchService::state();
    QString text = isHidden() ? QString() : ImageSearchService::stateMessage(state);
    if (text.isEmpty() && internetImageLoader && !isHidden())
        text = internetImageLoader->statusText();
    // Paths may break after their separators.
    QString shown = text;
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u200b"));
    m_status->setText(shown);
    m_status->setToolTip(text);
    m_status->setVisible(!text.isEmpty());
}

void GoogleSearchView::controlTextDidEndEditing()
{
    const bool returnPressed = m_returnPressed;
    m_returnPressed = false;
    const QString text = _searchField->text();
    if (!internetImageLoader || text.trimmed().isEmpty())
        return;
    // Leaving the field searches only a text that was not searched already; Return always does.
    if (!returnPressed && text.trimmed() == internetImageLoader->searchPattern())
        return;
    internetImageLoader->loadPhotoImages(text);
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(text, QString::fromLatin1(ImageSearchService::LastSearchDefault));
    defaults.synchronize();
}

} // namespace quillmark
