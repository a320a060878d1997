#pragma once
// A plain panel with the values of a grid stock, for creating and editing custom grid
// stocks. Window-modal; its buttons end it with their tag (1 OK, 0 Cancel).
#include <QDialog>
#include <optional>

#include "stock/TLabel.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace quillmark {

class LabelGridDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LabelGridDialog(QWidget *parent = nullptr);

    void setLabel(const TLabel &label);
    TLabel label() const;

    // Runs the panel over `parent` for `label`; empty when cancelled.
    static std::optional<TLabel> editLabel(QWidget *parent, const TLabel &label);

private:
    void buttonPressed(int tag);

    QLineEdit *m_name;
    QDoubleSpinBox *m_width;
    QDoubleSpinBox *m_height;
    QDoubleSpinBox *m_top;
    QDoubleSpinBox *m_left;
    QDoubleSpinBox *m_vertical;
    QDoubleSpinBox *m_horizontal;
    QSpinBox *m_across;
    QSpinBox *m_down;
    QDoubleSpinBox *m_radius;
    QDoubleSpinBox *m_hole;
    QComboBox *m_shape;
    TLabel m_label;
};

} // namespace quillmark
