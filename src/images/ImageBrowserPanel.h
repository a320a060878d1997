#pragma once
// The image side area of the main window: the image-source pop-up over the image browser,
// the mask check box and rotation slider, and the mask browser. It turns the menu model of
// ImageSources into the pop-up and loads the browser from the source chosen in it.
#include <QString>
#include <QWidget>

#include "images/ImageSources.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QScrollArea;
class QSlider;

namespace quillmark {

class GoogleSearchView;
class ProgressSpinner;
class RectsView;
class ScrollNSImageView;

class ImageBrowserPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ImageBrowserPanel(RectsView *canvas, QWidget *parent = nullptr);

    ScrollNSImageView *imageListView() const { return m_images; }
    ScrollNSImageView *imageMaskListView() const { return m_masks; }
    QComboBox *imagePopup() const { return m_popup; }
    QCheckBox *maskCheckBox() const { return m_maskBox; }
    QSlider *rotationSlider() const { return m_rotation; }
    ProgressSpinner *spinner() const { return m_spinner; }
    GoogleSearchView *searchView() const { return m_searchView; }
    // The mask browser in its scroll view, taken out of the panel for the window to place
    // elsewhere; the caller gives it its new parent.
    QWidget *takeMaskList();

    // Rebuilds the pop-up from the shipped clip-art and the user's folders and loads the
    // category shown first.
    void changeClipartBkrndMode();
    // Rebuilds the pop-up; answers the category to show first, or an empty string.
    QString fillImagePopup();
    // Loads the browser from the source selected in the pop-up.
    void changeImagePopup();
    // Loads one source by its menu item.
    void loadSource(const ImageSources::MenuItem &item);
    // Refills the pop-up, selects "user images" and loads them.
    void updateUserImages();
    // Adds a folder chosen by the user as a custom source and loads it.
    void addCustomFolder(const QString &folder);
    // Selects the pop-up item with a tag (and title, for tag 0); NO when there is none.
    bool selectItemWithTag(int tag, const QString &title = QString());
    // Mixed, on or off from the selection's images.
    void setCheckBoxMaskState();

private:
    // Another source takes the browser: the web search stops and its view goes.
    void leaveWebSearch();
    void updateInternetItem();
    void updateSpinner();

    RectsView *m_canvas;
    QComboBox *m_popup;
    ScrollNSImageView *m_images;
    QScrollArea *m_imageScroll;
    ScrollNSImageView *m_masks;
    QScrollArea *m_maskScroll = nullptr;
    QCheckBox *m_maskBox;
    QSlider *m_rotation;
    QLineEdit *m_rotationField;
    ProgressSpinner *m_spinner;
    GoogleSearchView *m_searchView;
    QList<ImageSources::MenuItem> m_items;
    QString m_category;
    bool m_filling = false;
    bool m_watchingNetwork = false;
    int m_previousRow = -1;
};

} // namespace quillmark
