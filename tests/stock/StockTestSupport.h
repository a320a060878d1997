#pragma once
// Shared helpers of the stock tests: a fake canvas, a warning recorder and a resources
// folder of our own.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtGlobal>
#include <optional>

#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "platform/BezierPath.h"
#include "stock/StockCanvas.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"

namespace stocktest {

class FakeCanvas : public quillmark::StockCanvas
{
public:
    bool byType = false;
    QString filter;
    int selectCalls = 0;
    quillmark::TLabel label;
    std::optional<quillmark::TFormat> format;
    QByteArray flags;
    int flagChanges = 0;
    QString unit = QStringLiteral("Inches");

    bool drawByType() const override { return byType; }
    QString getFormatFilter() const override { return filter; }
    void selectLabelFormat(bool) override { ++selectCalls; }
    const quillmark::TLabel &getLabel() const override { return label; }
    const quillmark::TFormat *getTFormat() const override { return format ? &*format : nullptr; }
    QByteArray &getEnableLabelFlags() override { return flags; }
    void enableLabelFlagsDidChange() override { ++flagChanges; }
    QString measure() override { return unit; }
};

// Same elements and winding rule, points within `tolerance`.
inline bool samePath(const quillmark::BezierPath &a, const quillmark::BezierPath &b,
                     qreal tolerance = 1e-4)
{
    if (a.elementCount() != b.elementCount() || a.windingRule() != b.windingRule())
        return false;
    for (int i = 0; i < a.elementCount(); ++i) {
        const auto &x = a.elements()[i];
        const auto &y = b.elements()[i];
        if (x.type != y.type)
            return false;
        for (int k = 0; k < 3; ++k)
            if (qAbs(x.points[k].x() - y.points[k].x()) > tolerance
                || qAbs(x.points[k].y() - y.points[k].y()) > tolerance)
                return false;
    }
    return true;
}

// Collects qWarning text while it lives.
class WarningRecorder
{
public:
    WarningRecorder() { s_current = this; m_previous = qInstallMessageHandler(&handler); }
    ~WarningRecorder() { qInstallMessageHandler(m_previous); s_current = nullptr; }
    QStringList messages;

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (s_current && type == QtWarningMsg)
            s_current->messages.append(text);
    }
    static inline WarningRecorder *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

// Points the application's resources at a fresh folder while it lives.
class ResourcesFolder
{
public:
    ResourcesFolder()
        : path(qmtest::freshDir(QStringLiteral("stock-resources"))),
          m_previous(qgetenv("QUILLMARK_RESOURCES"))
    {
        // The translation table stays the one of the real resources.
        quillmark::Language::initialize();
        qputenv("QUILLMARK_RESOURCES", path.toUtf8());
    }
    ~ResourcesFolder() { qputenv("QUILLMARK_RESOURCES", m_previous); }

    void write(const QString &fileName, const QByteArray &content) const
    {
        QFile file(path + QLatin1Char('/') + fileName);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }

    const QString path;

private:
    QByteArray m_previous;
};

} // namespace stocktest
