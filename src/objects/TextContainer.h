#pragma once
// One box of a text flow: the area that lines of text are placed in, in the box's own
// coordinates with (0, 0) at its top-left. This plain container answers the proposed line
// rectangle clipped to its width and nothing below its bottom; the runaround and oval
// containers refine the answer.
#include <QRectF>
#include <QSizeF>
#include <QtGlobal>

namespace quillmark {

class ColorRect;

class TextContainer
{
public:
    explicit TextContainer(const QSizeF &size = QSizeF());
    virtual ~TextContainer();

    TextContainer(const TextContainer &) = delete;
    TextContainer &operator=(const TextContainer &) = delete;

    QSizeF containerSize() const { return m_size; }
    void setContainerSize(const QSizeF &size);

    // Counts the changes of what the lines are placed in (size, obstacles), so that a flow
    // lays its text out again only after one.
    quint64 generation() const { return m_generation; }

    // Each line keeps this distance from both ends of the fragment it is placed in.
    static constexpr qreal LineFragmentPadding = 5.0;
    qreal lineFragmentPadding() const { return LineFragmentPadding; }

    // NO when the container answers fragments other than full-width rows.
    virtual bool isSimpleRectangularTextContainer() const { return true; }

    // The part of the proposed line rectangle where a line may go; an empty rectangle when
    // there is no room. `remaining`, when given, receives where the rest of the same row
    // continues (the null rectangle when the row is finished).
    virtual QRectF lineFragmentRectForProposedRect(const QRectF &proposed, QRectF *remaining);

    // The object whose box this is (not owned); null for a free container.
    ColorRect *textView() const { return m_textView; }
    void setTextView(ColorRect *view) { m_textView = view; }

protected:
    void changed() { ++m_generation; }

    // The plain answer that the refined containers start from.
    QRectF standardLineFragmentRect(const QRectF &proposed, QRectF *remaining) const;

private:
    QSizeF m_size;
    quint64 m_generation = 0;
    ColorRect *m_textView = nullptr;
};

} // namespace quillmark
