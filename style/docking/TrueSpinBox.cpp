#include "style/docking/TrueSpinBox.h"

namespace Nuvra {
namespace GUI {

TrueSpinBox::TrueSpinBox(QWidget* parent)
    : QSpinBox(parent)
{
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this, &TrueSpinBox::onValueChanged);
}

void TrueSpinBox::onValueChanged(int value)
{
    if (!m_suppressed)
        emit ButtonReleased(value);
}

TrueSpinBoxDbl::TrueSpinBoxDbl(QWidget* parent)
    : QDoubleSpinBox(parent)
{
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &TrueSpinBoxDbl::onValueChanged);
}

void TrueSpinBoxDbl::onValueChanged(double value)
{
    if (!m_suppressed)
        emit ButtonReleased(value);
}

} // namespace GUI
} // namespace Nuvra
