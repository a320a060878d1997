#pragma once
// Light or dark appearance of the desktop, and a watcher that says when it changes.
#include <QObject>

namespace quillmark {

// Dark when the user default "AppleInterfaceStyle" is set, or when the application palette's
// window colour is dark (lightness below 128).
bool isDarkAppearance();

class AppearanceWatcher : public QObject
{
    Q_OBJECT
public:
    explicit AppearanceWatcher(QObject *parent = nullptr);
    ~AppearanceWatcher() override;

    bool isDark() const { return m_dark; }

signals:
    // Emitted when the appearance flips after an application palette change.
    void changed(bool dark);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void recheck();

    bool m_dark = false;
};

} // namespace quillmark
