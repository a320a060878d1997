#pragma once
// A tile of the template browser: the template's preview in a thin frame with its name under
// it, always shown on a light strip. A click applies the template to the label and leaves the
// tile highlighted with its delete box; a press in the delete box area (live on every tile)
// asks before deleting the file; a press on the name renames the file in place.
#include <QRectF>
#include <QString>

#include "images/listImageViewItem.h"

class QLineEdit;

namespace quillmark {

class listTmplViewItem : public listImageViewItem
{
    Q_OBJECT
public:
    using listImageViewItem::listImageViewItem;

    QString getPath() const { return filePath(); }
    // The area of the name under the card, where a press starts a rename.
    QRectF titleRect() const;
    // The delete box's area in tile coordinates.
    QRectF templateDeleteRect() const;
    // The rename field; null before the first rename.
    QLineEdit *renameField() const { return templateTitle; }
    bool isRenaming() const;

    void setSelected(bool flag) override;

    // Asks "Are you sure you wish to delete the design?" and deletes the file; the browser
    // then lists its folder again. Answers whether the file was deleted.
    bool confirmAndDeleteTemplate();
    // Starts a rename: the field over the name, holding the name, selected.
    void beginRename();
    // Ends the rename with the field's text: the file takes the name in its own folder (a
    // taken name gets a counter, Name1, Name12); a refused name changes nothing. Answers
    // whether the file was renamed.
    bool controlTextDidEndEditing();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void initTemplateTitle();
    // The frame the preview is fitted into.
    QRectF cardRect() const;

    QLineEdit *templateTitle = nullptr;
    bool m_renaming = false;
};

} // namespace quillmark
