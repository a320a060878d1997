#pragma once
// The web search view shown above the image browser while the "Internet" source is chosen:
// the service's mark, the search field and a line that tells how the search went. The text
// of the field is searched when editing ends (Return, or leaving a changed field) and kept
// as the text searched last. Without a service set up, the view says what is missing.
#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace quillmark {

class ImageLogoView;
class ScrollNSImageView;
class iNternetImageLoader;

class GoogleSearchView : public QWidget
{
    Q_OBJECT
public:
    explicit GoogleSearchView(ScrollNSImageView *browser, QWidget *parent = nullptr);
    ~GoogleSearchView() override;

    iNternetImageLoader *internetLoader() const { return internetImageLoader; }
    void setInternetloader(iNternetImageLoader *loader);
    void setSearchText(const QString &text);

    QLineEdit *searchField() const { return _searchField; }
    QLabel *statusLabel() const { return m_status; }
    ImageLogoView *logoView() const { return m_logo; }

    // Reads the service's set-up again (the source was chosen, the language changed).
    void refresh();
    // The field's text is searched (blank text does nothing) and remembered.
    void controlTextDidEndEditing();

private:
    void showStatus();

    ScrollNSImageView *imageListView;
    QPointer<iNternetImageLoader> internetImageLoader;
    QLineEdit *_searchField;
    ImageLogoView *m_logo;
    QLabel *m_status;
    bool m_returnPressed = false;
};

} // namespace quillmark
