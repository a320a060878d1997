#pragma once
// The barcode drawer of the main window: a strip of compact controls for the selected
// barcodes (data, symbology, bar width, width adjustment, bar height in the display unit,
// character gap). The canvas fills it and applies its edits (RectsView_barcodes.cpp); the
// controls carry the tags the canvas finds them by. Like a drawer it is closed, leaving the
// canvas its height, unless a barcode is selected or the user opened it.
#include <QFrame>

class QBoxLayout;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace quillmark {

class RectsView;

class BarcodeDrawer : public QFrame
{
    Q_OBJECT
public:
    enum Tag { DataTag = 2031, TypeTag = 2032, WidthTag = 2033, AdjustTag = 2034, HeightTag = 2035, GapTag = 2036,
               UnitTag = 2037 };

    // Installs itself as the canvas's barcode drawer.
    explicit BarcodeDrawer(RectsView *canvas, QWidget *parent = nullptr);

    // The tagged controls' container: hidden while no drawn barcode is selected.
    QWidget *controls() const { return m_controls; }
    QLineEdit *dataField() const { return m_data; }
    QComboBox *typePopUp() const { return m_type; }
    QLineEdit *widthField() const { return m_width; }
    QLineEdit *adjustField() const { return m_adjust; }
    QLineEdit *heightField() const { return m_height; }
    QLabel *unitLabel() const { return m_unit; }
    QComboBox *gapPopUp() const { return m_gap; }

    // The drawer's menu command: closes it when it shows, else opens it until the command
    // closes it again. Closed while a barcode is selected, it stays closed for that selection.
    void toggleOpened();
    bool isOpen() const { return !isHidden(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static constexpr int TitleSpacing = 8;

    // One row while the strip is wide enough for every control at its least width, else the
    // metrics under the data and symbology.
    void fitRows();
    // Shown while the user keeps it open or a barcode's controls show, unless the user closed it.
    void updateOpened();

    QLabel *m_title = nullptr;
    QBoxLayout *m_rows = nullptr;
    QHBoxLayout *m_first = nullptr;
    QHBoxLayout *m_second = nullptr;
    QHBoxLayout *m_gapBox = nullptr;
    QWidget *m_controls = nullptr;
    QLineEdit *m_data = nullptr;
    QComboBox *m_type = nullptr;
    QLineEdit *m_width = nullptr;
    QLineEdit *m_adjust = nullptr;
    QLineEdit *m_height = nullptr;
    QLabel *m_unit = nullptr;
    QComboBox *m_gap = nullptr;
    bool m_keptOpen = false;   // opened by its command
    bool m_dismissed = false;  // closed by its command while a barcode showed
};

} // namespace quillmark
