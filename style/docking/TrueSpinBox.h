#pragma once

#include <QDoubleSpinBox>
#include <QSpinBox>

namespace Nuvra {
namespace GUI {

// Spin boxes that report every value change as ButtonReleased, except while
// the owner suppresses it (for example while it sets the value itself).
class TrueSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TrueSpinBox(QWidget* parent = nullptr);
    void setReleaseSuppressed(bool suppressed) { m_suppressed = suppressed; }

signals:
    void ButtonReleased(int value);

public slots:
    void onValueChanged(int value);

private:
    bool m_suppressed = false;
};

class TrueSpinBoxDbl : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit TrueSpinBoxDbl(QWidget* parent = nullptr);
    void setReleaseSuppressed(bool suppressed) { m_suppressed = suppressed; }

signals:
    void ButtonReleased(double value);

public slots:
    void onValueChanged(double value);

private:
    bool m_suppressed = false;
};

} // namespace GUI
} // namespace Nuvra
