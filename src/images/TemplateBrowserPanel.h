#pragma once
// The template side area of the main window: the category pop-up over the template browser.
// The canvas decides which folder a category shows; the panel hands it the pop-up and the
// browser's loading, and fills the browser when it comes on screen.
#include <QWidget>

class QComboBox;
class QScrollArea;

namespace quillmark {

class RectsView;
class ScrollNSImageView;

class TemplateBrowserPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TemplateBrowserPanel(RectsView *canvas, QWidget *parent = nullptr);

    ScrollNSImageView *imageTmplListView() const { return m_templates; }
    QComboBox *templatePopup() const { return m_popup; }
    QScrollArea *scrollArea() const { return m_scroll; }

    // Loads a folder of templates at the tile size the canvas keeps; a scroll position kept
    // by forgetFolder() is restored afterwards.
    void loadFolder(const QString &folder);
    // Forgets the folder shown and keeps the scroll position for the next load.
    void forgetFolder();

protected:
    void showEvent(QShowEvent *event) override;

private:
    RectsView *m_canvas;
    QComboBox *m_popup;
    ScrollNSImageView *m_templates;
    QScrollArea *m_scroll;
    int m_keptScroll = -1;
};

} // namespace quillmark
