#pragma once
// One label shape of a free-layout stock, in millimetres from the top-left corner of the
// sheet. Absent values read as 0.
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace quillmark {

class BezierPath;

class TLabelT
{
public:
    // Millimetres to page points, a single-precision factor on purpose: outlines are
    // multiplied in single precision and only then widened.
    static constexpr float PointsPerMillimetre = 2.8346457f;

    std::optional<QString> type;
    std::optional<float> y;
    std::optional<float> x;
    std::optional<float> height;
    std::optional<float> width;
    std::optional<QString> round;
    std::optional<float> hole;
    std::optional<float> cornerradius;
    qint32 orientation = 0;

    // Type name; empty when the shape has none.
    QString getType() const { return type.value_or(QString()); }
    void setType(const QString &value) { type = value; }
    void setRound(const QString &value) { round = value; }
    void setX(float value) { x = value; }
    void setY(float value) { y = value; }
    void setWidth(float value) { width = value; }
    void setHeight(float value) { height = value; }
    void setHole(float value) { hole = value; }
    void setRadius(float value) { cornerradius = value; }

    float xValue() const { return x.value_or(0.0f); }
    float yValue() const { return y.value_or(0.0f); }
    float widthValue() const { return width.value_or(0.0f); }
    float heightValue() const { return height.value_or(0.0f); }
    float holeValue() const { return hole.value_or(0.0f); }
    float radiusValue() const { return cornerradius.value_or(0.0f); }

    // In page points; neither applies the orientation.
    QPointF origin() const;
    QSizeF size() const;

    bool isRound() const { return round.has_value() && *round == QLatin1String("true"); }
    bool isEqualToLabel(const TLabelT &other) const;

    // The outline in page points: oval when round, rounded rectangle when the corner
    // radius is positive, else a rectangle; a centre hole makes it even-odd.
    BezierPath getPath() const;

    // One element of the "labels" array of a stock's dictionary form: numbers stay numbers.
    QVariantMap dictionary() const;
    // Reads the keys that are present. A value of the wrong kind makes the whole label
    // unreadable: *error says which key, and the result is empty.
    static std::optional<TLabelT> fromDictionary(const QVariantMap &dict, QString *error = nullptr);
};

} // namespace quillmark
