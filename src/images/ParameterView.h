#pragma once
// The control of one filter input in the effects panel's box: a slider with a readout, a check
// box, a colour well, an image well with a Choose button, vector or offset readouts, or the four
// rows of a transform. Every change the user makes becomes a new input value sent to the panel,
// which then redraws its preview. Frames are given in the view's own units, y upwards from its
// bottom edge, as the box lays them out.
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTransform>
#include <QVariant>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmark {

class ColorWell;
class Controller;
class EffectSlider;
class FunHouseImageView;
class ImageFilter;
struct FilterInput;

class ParameterView : public QWidget
{
    Q_OBJECT
public:
    // Kinds of number, by the input's type: how the readout shows it.
    enum DataType { ScalarData = 0, AngleData = 1, TimeData = 2, DistanceData = 3 };

    explicit ParameterView(QWidget *parent = nullptr);
    ~ParameterView() override;

    // ---- builders: each keeps the filter, key and panel and makes its controls ----
    void addSliderForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    void addCheckBoxForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    void addColorWellForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    void addVectorForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    void addOffsetForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    void addTransformForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    void addImageWellForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);

    // ---- handlers (the controls' actions) ----
    void sliderChanged();
    void readoutTextFieldChanged();
    void checkBoxChanged();
    // Component `index` (0 to 3) of a vector or offset typed into its readout, on a keystroke
    // or at the end of editing (`finished`).
    void readoutChanged(int index, bool finished = true);
    // A choice made in the pop-up of an input with a fixed set of choices.
    void popUpChanged();
    void colorWellChanged();
    // A picture dropped on the well or chosen with Choose is loaded off the window's thread;
    // the input gets it, or the user is told why not, once it is read.
    void imageWellChanged();
    void pushButtonChanged();
    // Whether a picture for the input is still being read.
    bool isLoadingPicture() const { return m_loadsUnderWay > 0; }
    // Rows of a transform: 0 scale, 1 angle, 2 stretch, 3 skew.
    void transformSliderChanged(int row);
    void transformReadoutTextFieldChanged(int row);

    // ---- routines ----
    // The value in fixed notation with the field width and decimals ("%4.2f"), however long,
    // with the user's decimal mark.
    static QString formatReadoutValue(int width, int decimals, double value);
    // Words of a key's tail: a blank before every upper-case letter and digit but the first.
    static QString splitCamelCaseWords(const QString &text);
    // The text shortened with "..." to fit `width` less 5 in `font`.
    static QString ellipsizeField(int width, const QFont &font, const QString &text);
    // Every occurrence of `target` replaced, again from the start until none is left.
    static QString stringByReplacingOccurrences(const QString &text, const QString &target,
                                                const QString &replacement);
    static QTransform affineTransformFromParts(double scale, double angle, double stretch, double skew,
                                               double tX, double tY);
    static QList<double> transformVectorFromParts(double scale, double angle, double stretch, double skew,
                                                  double tX, double tY);
    // The number shown for a value of a data type, and back.
    static double shownValue(int dataType, double value);
    static double valueFromShown(int dataType, double shown);
    // Field width and decimals of a data type's readout.
    static void readoutFormat(int dataType, int &width, int &decimals);
    // The label of an input: its display name, or the words of its key after "input".
    static QString inputLabel(const ImageFilter *filter, const QString &key);
    // The width a label field draws its text in.
    static int drawingWidth(const QLabel *label);

    // ---- what the view holds ----
    const QString &key() const { return m_key; }
    ImageFilter *filter() const { return m_filter.get(); }
    int dataType() const { return m_dataType; }
    float lastFloatValue() const { return m_lastFloatValue; }
    EffectSlider *slider() const { return m_slider; }
    QCheckBox *checkBox() const { return m_checkBox; }
    ColorWell *colorWell() const { return m_colorWell; }
    FunHouseImageView *imageView() const { return m_imageView; }
    QPushButton *pushButton() const { return m_pushButton; }
    QLabel *labelTextField() const { return m_labelTextField; }
    QLineEdit *readoutTextField() const { return m_readoutTextField; }
    // The pop-up that stands in for the slider of an input with a fixed set of choices.
    QComboBox *popUp() const { return m_popUp; }
    // Readouts 1 to 4 of a vector or offset (index 0 to 3); null when absent.
    QLineEdit *vectorReadout(int index) const;
    // Transform rows, 0 scale, 1 angle, 2 stretch, 3 skew.
    EffectSlider *transformSlider(int row) const;
    QLineEdit *transformReadout(int row) const;
    QLabel *transformLabel(int row) const;
    float transformLastValue(int row) const;
    bool usingNSAffineTransform() const { return m_usingNSAffineTransform; }

    // The frame the box gave this view, in the box's units (y upwards).
    void setDesignFrame(const QRect &frame) { m_designFrame = frame; }
    QRect designFrame() const { return m_designFrame; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void keep(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master);
    // A child's geometry from a frame in this view's units (y upwards).
    QRect widgetFrame(int x, int y, int width, int height) const;
    QLabel *makeLabel(const QRect &frame, const QString &text, bool shorten, Qt::Alignment alignment = Qt::AlignRight);
    QLineEdit *makeReadout(const QRect &frame, const QString &text);
    void addReadouts(int count);
    void addPopUpForFilter(const FilterInput &input, int width);
    void transformChanged();
    void loadPicture(const QString &path, bool showInWell);
    void pictureLoaded(quint64 ticket, const QString &path, const QImage &picture, const QImage &thumbnail,
                       int refusal);
    void sendAndUpdate(const QVariant &value);

    std::shared_ptr<ImageFilter> m_filter;
    QString m_key;
    Controller *m_master = nullptr;
    EffectSlider *m_slider = nullptr;
    int m_dataType = ScalarData;
    QCheckBox *m_checkBox = nullptr;
    ColorWell *m_colorWell = nullptr;
    FunHouseImageView *m_imageView = nullptr;
    QPushButton *m_pushButton = nullptr;
    QLabel *m_labelTextField = nullptr;
    QLineEdit *m_readoutTextField = nullptr;
    QComboBox *m_popUp = nullptr;
    int m_beforeDecimal = 4;
    int m_afterDecimal = 2;
    float m_lastFloatValue = 0;
    EffectSlider *m_transformSliders[4] = {};
    QLabel *m_transformLabels[4] = {};
    QLineEdit *m_transformReadouts[4] = {};
    int m_transformDataTypes[4] = {ScalarData, AngleData, ScalarData, ScalarData};
    float m_transformLast[4] = {};
    bool m_usingNSAffineTransform = false;
    QLineEdit *m_readouts[4] = {};
    QRect m_designFrame;
    quint64 m_loadTicket = 0;
    int m_loadsUnderWay = 0;
};

} // namespace quillmark
