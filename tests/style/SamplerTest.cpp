#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/StyleManager.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Nuvra::Style;

namespace {

// A panel of the common widgets, one column per style, written as
// style-sampler.png beside the test program for a person to look at.
QImage samplerColumn(const char* styleName, double scale, QRgb* background)
{
    StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(styleName)), scale);
    QWidget panel;
    auto* layout = new QVBoxLayout(&panel);
    layout->addWidget(new QLabel(QStringLiteral("%1 at %2").arg(QLatin1String(styleName)).arg(scale)));
    auto* checked = new QCheckBox(QStringLiteral("Checked"));
    checked->setChecked(true);
    layout->addWidget(checked);
    layout->addWidget(new QRadioButton(QStringLiteral("Radio")));
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("English"), QStringLiteral("Deutsch")});
    layout->addWidget(combo);
    auto* spin = new QSpinBox;
    spin->setValue(42);
    layout->addWidget(spin);
    layout->addWidget(new QLineEdit(QStringLiteral("Text")));
    auto* progress = new QProgressBar;
    progress->setValue(60);
    layout->addWidget(progress);
    layout->addWidget(new QPushButton(QStringLiteral("Button")));
    auto* group = new QGroupBox(QStringLiteral("Fake-disabled"));
    auto* groupLayout = new QHBoxLayout(group);
    auto* inner = new QCheckBox(QStringLiteral("Looks enabled"));
    inner->setChecked(true);
    groupLayout->addWidget(inner);
    layout->addWidget(group);
    auto* disabled = new QCheckBox(QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    layout->addWidget(disabled);
    group->setEnabled(false);
    StyleManager::SetFakeDisabled(group, 1, true);
    panel.resize(panel.sizeHint().expandedTo(QSize(220, 0)));
    panel.show();
    const QImage image = panel.grab().toImage();
    *background = image.pixel(image.width() - 2, image.height() - 2);
    return image;
}

} // namespace

TEST(Sampler, WindowsArePaintedInTheStylesWindowColour)
{
    InjectedScreen screen(1920, 1080, 72);
    const struct {
        const char* style;
        double scale;
        QRgb window;
    } columns[] = {{"NuvraStyle", 1.0, qRgb(230, 230, 230)},
                   {"DarkStyle", 1.0, qRgb(45, 45, 45)},
                   {"MidStyle", 1.0, qRgb(74, 74, 74)},
                   {"NuvraStyle", 1.5, qRgb(230, 230, 230)}};
    QList<QImage> images;
    for (const auto& c : columns) {
        QRgb background = 0;
        images << samplerColumn(c.style, c.scale, &background);
        EXPECT_EQ(background, c.window) << c.style;
    }
    QApplication::setStyle(QStringLiteral("Fusion"));

    int width = 0, height = 0;
    for (const QImage& i : images) {
        width += i.width();
        height = std::max(height, i.height());
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int x = 0;
    for (const QImage& i : images) {
        painter.drawImage(x, 0, i);
        x += i.width();
    }
    painter.end();
    EXPECT_TRUE(sheet.save(QStringLiteral("style-sampler.png")));
}
