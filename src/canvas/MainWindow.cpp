#include "canvas/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "foundation/Language.h"
#include "foundation/LanguageControls.h"

namespace quillmark {

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_fileMenu(new QMenu(QStringLiteral("File"), this))
    , m_quitAction(new QAction(QStringLiteral("Quit"), this))
{
    const QString untitled = Language::stringForKey(QStringLiteral("Untitled"));
    setWindowTitle(QStringLiteral("Quillmark::") + (untitled.isEmpty() ? QStringLiteral("Untitled") : untitled));
    resize(1200, 800);

    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quitAction, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);
    m_fileMenu->addAction(m_quitAction);
    menuBar()->addMenu(m_fileMenu);

    LanguageControls::awakeFromNib(m_fileMenu);
}

} // namespace quillmark
