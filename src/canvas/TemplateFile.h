#pragma once
// The design template file ("vrxtemp"): a binary property list holding the objects of one
// orientation, both sides ("ObjectsList"), their groups ("GroupsList"), a small preview
// ("TemplateImage", PNG) and the label rectangle it was made for ("TemplateBounds").
//
// Reading is checked before anything uses the file: it is opened only as a regular file of
// bounded size, must parse as a dictionary and every key must have its type. The template
// browser reads previews on worker threads: nothing here keeps state between calls.
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace quillmark {

class TemplateFile
{
public:
    static constexpr const char *Extension = "vrxtemp";
    // The preview's longer side is never more than this many points.
    static constexpr int PreviewSide = 150;
    // The category of the user's own templates in the category pop-up.
    static constexpr const char *MyTemplatesCategory = "my templates";

    enum class Problem { None, Unreadable, NotATemplate };

    // The built-in template folder in the resources and the user's own one; each ends in "/".
    static QString builtInFolder();
    static QString userFolder();

    // The checked dictionary of a template file; nothing when the file cannot be read (not a
    // regular file, too large, gone) or is no sound template (another extension, not a
    // property list, keys of the wrong type).
    static std::optional<QVariantMap> read(const QString &path, Problem *problem = nullptr);
    // An empty answer means the dictionary is sound.
    static QString validate(const QVariantMap &dict);
    // The label rectangle the template was made for; empty when it has none.
    static QRectF bounds(const QVariantMap &dict);
    // Whether the objects lie on two different pages (both sides of the orientation).
    static bool hasTwoSides(const QVariantList &objects);

    // The preview of a template decoded no larger than `box`, through the one check that
    // decides what is a picture. Null when there is none or it is refused.
    static QImage preview(const QVariantMap &dict, QSize box);
    static QImage previewOfFile(const QString &path, QSize box);
    // A full-size label picture reduced so that its longer side is at most PreviewSide,
    // keeping its proportions, as PNG data.
    static QByteArray previewData(const QImage &labelImage);

    // A template name typed by the user: refused when empty or blank, when it holds "/" (it
    // would leave the folder) or a control character, or when it starts with "." (a hidden
    // file the browser never lists).
    static bool isValidName(const QString &name);
    using ExistsFunction = std::function<bool(const QString &path)>;
    // folder + title + ".vrxtemp"; while that file exists, the next number is appended to
    // the previous candidate's name (T, T1, T12, T123). Null for a refused title or when no
    // free name turns up.
    static QString uniquePath(const QString &folder, const QString &title, const ExistsFunction &exists = {});
};

} // namespace quillmark
