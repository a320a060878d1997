#pragma once
// The borderless About panel: the product's picture, its name, the version line and the link
// to its home page. While it runs, a click or a key anywhere outside the link puts it away,
// and so does a quarter of a minute without input.
#include <QRect>
#include <QWidget>

#include <functional>

class QEventLoop;
class QTimer;

namespace quillmark {

class LinkTextView;
class VersionTextField;

class AboutPanel : public QWidget
{
    Q_OBJECT
public:
    // The clock the time-out is measured by, in milliseconds, and how long one wait for
    // input lasts. Tests inject a clock that moves as they say and short waits.
    struct Clock
    {
        std::function<qint64()> now;
        int waitMs = 1000;
    };

    explicit AboutPanel(QWidget *parent = nullptr);
    ~AboutPanel() override;

    static constexpr int Width = 405;
    static constexpr int Height = 300;
    // Where the link lies, in the panel's own coordinates: clicks there go to the link.
    static QRect linkArea();

    // Shows the panel centred on the screen and returns when it has been put away. The
    // time-out counts from the end of the first wait without input.
    void runModal(int timeoutSeconds);
    bool isRunning() const { return m_loop != nullptr; }

    LinkTextView *link() const { return m_link; }
    VersionTextField *versionField() const { return m_version; }

    static void setClock(Clock clock);
    static Clock clock();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void waitExpired();
    void finish();

    LinkTextView *m_link = nullptr;
    VersionTextField *m_version = nullptr;
    QEventLoop *m_loop = nullptr;
    QTimer *m_wait = nullptr;
    qint64 m_startTime = -1;
    qint64 m_timeoutMs = 0;
};

} // namespace quillmark
