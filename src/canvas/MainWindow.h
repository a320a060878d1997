#pragma once
// The application's main window.
#include <QMainWindow>

class QAction;
class QMenu;

namespace quillmark {

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    QMenu *fileMenu() const { return m_fileMenu; }
    QAction *quitAction() const { return m_quitAction; }

private:
    QMenu *m_fileMenu;
    QAction *m_quitAction;
};

} // namespace quillmark
