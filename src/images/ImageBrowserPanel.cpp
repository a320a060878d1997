#include "images/ImageBrowserPanel.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSlider>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "images/GoogleSearchView.h"
#include "images/ImageSearchService.h"
#include "images/ProgressSpinner.h"
#include "images/ScrollNSImageView.h"
#include "images/SourcePopUp.h"
#include "images/iNternetImageLoader.h"
#include "images/listImageViewItem.h"
#include "platform/Prompts.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

QScrollArea *scrollFor(ScrollNSImageView *browser)
{
    auto *scroll = new QScrollArea;
    scroll->setWidget(browser);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return scroll;
}

} // namespace

ImageBrowserPanel::ImageBrowserPanel(RectsView *canvas, QWidget *parent)
    : QWidget(parent)
    , m_canvas(canvas)
    , m_popup(new QComboBox)
    , m_images(new ScrollNSImageView)
    , m_masks(new ScrollNSImageView)
    , m_maskBox(new QCheckBox(Language::stringForKey(QStringLiteral("Mask"))))
    , m_rotation(new QSlider(Qt::Horizontal))
    , m_rotationField(new QLineEdit)
    , m_spinner(new ProgressSpinner)
    , m_searchView(new GoogleSearchView(m_images))
{
    m_images->setController(canvas);
    fitSourcePopUp(m_popup);
    m_masks->setController(canvas);
    m_masks->setW(60);
    m_masks->setH(60);
    if (canvas)
        canvas->setImageListView(m_images);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_popup, 1);
    sourceRow->addWidget(m_spinner);
    layout->addLayout(sourceRow);
    // Shown only for the web search; the browser below gives up the room it takes.
    m_searchView->hide();
    layout->addWidget(m_searchView);
    m_imageScroll = scrollFor(m_images);
    layout->addWidget(m_imageScroll, 3);

    auto *row = new QHBoxLayout;
    m_maskBox->setTristate(false);
    row->addWidget(m_maskBox);
    m_rotation->setRange(0, 360);
    row->addWidget(m_rotation, 1);
    m_rotationField->setValidator(new QIntValidator(0, 360, m_rotationField));
    m_rotationField->setMaximumWidth(44);
    m_rotationField->setText(QStringLiteral("0"));
    row->addWidget(m_rotationField);
    layout->addLayout(row);
    m_maskScroll = scrollFor(m_masks);
    layout->addWidget(m_maskScroll, 1);

    connect(m_popup, &QComboBox::activated, this, [this] { changeImagePopup(); });
    if (iNternetImageLoader *loader = m_searchView->internetLoader())
        connect(loader, &iNternetImageLoader::busyChanged, this, [this] { updateSpinner(); });
    // Temporary web pictures go when the application does.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [] { iNternetImageLoader::clear(); });
    connect(m_maskBox, &QCheckBox::clicked, this, [this](bool on) {
        if (m_canvas)
            m_canvas->changeMaskChBox(on);
    });
    connect(m_rotation, &QSlider::valueChanged, this, [this](int value) {
        m_rotationField->setText(QString::number(value));
        if (m_canvas)
            m_canvas->setImageRotation(value);
    });
    connect(m_rotationField, &QLineEdit::editingFinished, this, [this] {
        m_rotation->setValue(m_rotationField->text().toInt());
    });
    m_images->userImagesChanged = [this] { updateUserImages(); };
    m_images->sourceChanged = [this] { changeImagePopup(); };
    m_images->loadingChanged = [this](bool) { updateSpinner(); };

    // A design or template saved with a picture from elsewhere copies it among the user
    // images: the browser shows them again when it is showing them.
    if (canvas)
        canvas->userImagesMayHaveChanged = [this] {
            if (!CanvasServices::updateUserUmages())
                return;
            const QVariant data = m_popup->currentData();
            if (data.isValid() && data.toInt() >= 0 && data.toInt() < m_items.size()
                && m_items.at(data.toInt()).kind == ImageSources::SourceKind::UserImages) {
                updateUserImages();
                CanvasServices::setUpdateUserUmages(false);
            }
        };
    m_masks->loadAllItemsListResource();
    // A mask chosen in the mask browser, and its undo, change the box too.
    if (canvas)
        connect(canvas->undoManager(), &UndoManager::changed, this, [this] { setCheckBoxMaskState(); });
}

QString ImageBrowserPanel::fillImagePopup()
{
    m_filling = true;
    const ImageSources::Menu menu = ImageSources::fillImagePopup(m_category, ImageSearchService::isAvailable());
    if (!m_watchingNetwork)
        m_watchingNetwork = ImageSearchService::whenReachabilityChanges(this, [this] { updateInternetItem(); });
    m_items = menu.items;
    m_popup->clear();
    auto *model = qobject_cast<QStandardItemModel *>(m_popup->model());
    for (int i = 0; i < m_items.size(); ++i) {
        const ImageSources::MenuItem &item = m_items[i];
        if (item.kind == ImageSources::SourceKind::Separator) {
            m_popup->insertSeparator(m_popup->count());
            continue;
        }
        // Folder paths are the user's own; the fixed entries and the categories are
        // translated where the interface has a text for them.
        const QString shown = item.kind != ImageSources::SourceKind::CustomPath
            ? Language::stringForKey(item.title) : item.title;
        m_popup->addItem(shown.isEmpty() ? item.title : shown, i);
        if (!item.enabled && model)
            model->item(m_popup->count() - 1)->setEnabled(false);
    }
    if (menu.selectedIndex >= 0) {
        const int row = m_popup->findData(menu.selectedIndex);
        if (row >= 0)
            m_popup->setCurrentIndex(row);
    }
    m_filling = false;
    m_previousRow = m_popup->currentIndex();
    return menu.category;
}

void ImageBrowserPanel::updateInternetItem()
{
    auto *model = qobject_cast<QStandardItemModel *>(m_popup->model());
    if (!model)
        return;
    const bool available = ImageSearchService::isAvailable();
    for (int row = 0; row < m_popup->count(); ++row) {
        const QVariant data = m_popup->itemData(row);
        if (data.isValid() && m_items.value(data.toInt()).kind == ImageSources::SourceKind::Internet)
            model->item(row)->setEnabled(available);
    }
}

QWidget *ImageBrowserPanel::takeMaskList()
{
    if (!m_maskScroll || m_maskScroll->parentWidget() != this)
        return m_maskScroll;
    layout()->removeWidget(m_maskScroll);
    m_maskScroll->setParent(nullptr);
    return m_maskScroll;
}

void ImageBrowserPanel::updateSpinner()
{
    const iNternetImageLoader *loader = m_searchView->internetLoader();
    m_spinner->setSpinning(m_images->isLoading() || (loader && loader->isSearching()));
}

void ImageBrowserPanel::leaveWebSearch()
{
    if (iNternetImageLoader *loader = m_searchView->internetLoader())
        loader->cancelSearch();
    m_searchView->hide();
}

void ImageBrowserPanel::changeClipartBkrndMode()
{
    const QString category = fillImagePopup();
    if (!category.isEmpty()) {
        m_category = category;
        m_images->loadAllItemsListPath(ImageSources::clipartPath() + category);
    }
}

bool ImageBrowserPanel::selectItemWithTag(int tag, const QString &title)
{
    for (int row = 0; row < m_popup->count(); ++row) {
        const QVariant data = m_popup->itemData(row);
        if (!data.isValid())
            continue;
        const ImageSources::MenuItem &item = m_items.at(data.toInt());
        if (item.tag == tag && (title.isEmpty() || item.title == title)) {
            m_popup->setCurrentIndex(row);
            return true;
        }
    }
    return false;
}

void ImageBrowserPanel::changeImagePopup()
{
    const QVariant data = m_popup->currentData();
    if (!data.isValid() || data.toInt() < 0 || data.toInt() >= m_items.size())
        return;
    loadSource(m_items.at(data.toInt()));
}

void ImageBrowserPanel::loadSource(const ImageSources::MenuItem &item)
{
    using Kind = ImageSources::SourceKind;
    if (item.kind != Kind::Separator && item.kind != Kind::SelectFolder)
        leaveWebSearch();
    switch (item.kind) {
    case Kind::Separator:
        return;
    case Kind::UserImages:
        m_images->loadUserImagesArray(ImageSources::clipartUserPath());
        break;
    case Kind::Category:
        m_category = item.title;
        m_images->loadAllItemsListPath(item.path.isEmpty() ? ImageSources::clipartPath() + item.title : item.path);
        break;
    case Kind::PhotoLibrary: {
        // Reading the library's index is quick; its pictures then load like a folder's.
        m_spinner->setSpinning(true);
        const QList<iPhoto> photos = ImageSources::photoLibraryItems(item.tag);
        if (!photos.isEmpty())
            m_images->loadPhotoLibrary(photos);
        m_spinner->setSpinning(m_images->isLoading());
        break;
    }
    case Kind::CustomFolder:
    case Kind::CustomPath:
        if (!item.path.isEmpty())
            m_images->loadAllItemsListPath(item.path);
        break;
    case Kind::SelectFolder: {
        const QString title = Language::stringForKey(QStringLiteral("Select Folder"));
        const QString folder = Prompts::current().chooseFolder(window(), title, QString());
        if (!folder.isEmpty())
            addCustomFolder(folder);
        else if (m_previousRow >= 0 && m_previousRow < m_popup->count())
            m_popup->setCurrentIndex(m_previousRow); // cancelled: the pop-up names what is shown
        return;
    }
    case Kind::Internet:
        // Results arrive from the web search; the browser waits empty for them.
        m_images->clear();
        m_images->update(true);
        m_searchView->show();
        m_searchView->refresh();
        if (m_searchView->searchField()->isEnabled())
            m_searchView->searchField()->setFocus();
        break;
    }
    m_previousRow = m_popup->currentIndex();
    ImageSources::rememberImageTag(item.tag);
}

void ImageBrowserPanel::updateUserImages()
{
    leaveWebSearch();
    fillImagePopup();
    if (selectItemWithTag(ImageSources::CategoryTag, QString::fromLatin1(ImageSources::UserImagesTitle)))
        m_images->loadUserImagesArray(ImageSources::clipartUserPath());
}

void ImageBrowserPanel::addCustomFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return;
    leaveWebSearch();
    m_images->loadAllItemsListPath(folder);
    const int tag = ImageSources::addCustomPath(folder);
    fillImagePopup();
    selectItemWithTag(tag);
}

void ImageBrowserPanel::setCheckBoxMaskState()
{
    const int state = m_canvas ? m_canvas->checkBoxMaskState() : -1;
    m_maskBox->setTristate(state == 2);
    m_maskBox->setCheckState(state == 2 ? Qt::PartiallyChecked : state == 1 ? Qt::Checked : Qt::Unchecked);
}

} // namespace quillmark
