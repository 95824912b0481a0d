// Combo boxes and header sections at their own size hints show their text
// whole, in every style and at every scale the application offers.
#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOption>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace Nuvra::Style;

namespace {

// The widgets' own options, as they paint with them.
class Combo : public QComboBox {
public:
    using QComboBox::initStyleOption;
};

class Header : public QHeaderView {
public:
    Header() : QHeaderView(Qt::Horizontal) {}
    using QHeaderView::initStyleOption;
    using QHeaderView::sectionSizeFromContents;
};

// First and last columns with ink (-1 when none).
std::pair<int, int> inkColumns(const QImage& image)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qAlpha(image.pixel(x, y)) > 60) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

QImage transparentImage(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// How wide the text inks when drawn alone with nothing in its way.
int inkWidth(const QString& text, const QFont& font)
{
    QImage image = transparentImage(QSize(QFontMetrics(font).horizontalAdvance(text) + 40, 80));
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, text);
    p.end();
    const auto ink = inkColumns(image);
    return ink.second - ink.first + 1;
}

const char* const kStyles[] = {"NuvraStyle", "MidStyle", "DarkStyle", "ModernStyle", "ModernGray"};
const double kScales[] = {1, 1.25, 1.5, 1.75, 2, 2.5, 3};

class TextRoomTest : public AppliedStyleTest<NuvraStyle>,
                     public ::testing::WithParamInterface<std::tuple<const char*, double>> {
protected:
    void SetUp() override { applyStyle(std::get<0>(GetParam()), std::get<1>(GetParam())); }
};

// Items of different widths: the widest sets the hint.
const QStringList kItems = {QStringLiteral("Soft"), QStringLiteral("Spray"), QStringLiteral("Wide brush"),
                            QStringLiteral("Fine")};

TEST_P(TextRoomTest, ComboBoxShowsItsLongestItemWholeLeftOfTheArrow)
{
    Combo combo;
    combo.addItems(kItems);
    combo.setCurrentText(QStringLiteral("Wide brush"));
    combo.ensurePolished();
    combo.resize(combo.sizeHint());
    QStyleOptionComboBox opt;
    combo.initStyleOption(&opt);
    const QRect arrow = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, &combo);
    QImage image = transparentImage(combo.size());
    QPainter p(&image);
    p.setFont(combo.font());
    p.setPen(Qt::black);
    style->drawControl(QStyle::CE_ComboBoxLabel, &opt, &p, &combo);
    p.end();
    const auto ink = inkColumns(image);
    ASSERT_GE(ink.first, 0);
    // Neither clipped nor elided (a pixel either way for the text's place
    // within a pixel), and clear of the arrow.
    EXPECT_NEAR(ink.second - ink.first + 1, inkWidth(opt.currentText, combo.font()), 1) << combo.width();
    const bool rtl = opt.direction == Qt::RightToLeft;
    EXPECT_TRUE(rtl ? ink.first > arrow.right() : ink.second < arrow.left())
        << "ink to " << ink.second << ", arrow from " << arrow.left();
}

TEST_P(TextRoomTest, EditableComboBoxShowsItsLongestItemUnscrolled)
{
    Combo combo;
    combo.setEditable(true);
    combo.addItems(kItems);
    combo.setCurrentText(QStringLiteral("Wide brush"));
    // Shown first: the hint a layout reads once the line edit is in place.
    combo.show();
    combo.resize(combo.sizeHint());
    QLineEdit* edit = combo.lineEdit();
    ASSERT_NE(edit, nullptr);
    // The end in view: a line edit too narrow scrolls its first letters out.
    edit->setCursorPosition(edit->text().size());
    QImage image = transparentImage(edit->size());
    edit->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const auto ink = inkColumns(image);
    ASSERT_GE(ink.first, 0);
    EXPECT_NEAR(ink.second - ink.first + 1, inkWidth(edit->text(), edit->font()), 1) << edit->width();
    QStyleOptionComboBox opt;
    combo.initStyleOption(&opt);
    const QRect arrow = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, &combo);
    EXPECT_LT(edit->geometry().left() + ink.second, arrow.left());
}

TEST_P(TextRoomTest, SortedHeaderSectionLeavesItsLabelRoomBesideTheArrow)
{
    QStandardItemModel model(1, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Kind")});
    Header header;
    header.setModel(&model);
    header.setSortIndicatorShown(true);
    header.setSortIndicator(0, Qt::AscendingOrder);
    for (int section = 0; section < model.columnCount(); ++section) {
        QStyleOptionHeader opt;
        header.initStyleOption(&opt);
        opt.section = section;
        opt.text = model.headerData(section, Qt::Horizontal).toString();
        opt.sortIndicator = QStyleOptionHeader::SortUp;
        opt.rect = QRect(QPoint(0, 0), QSize(header.sectionSizeFromContents(section).width(),
                                             header.sizeHint().height()));
        const QRect label = style->subElementRect(QStyle::SE_HeaderLabel, &opt, &header);
        const QRect arrow = style->subElementRect(QStyle::SE_HeaderArrow, &opt, &header);
        EXPECT_GE(label.width(), opt.fontMetrics.horizontalAdvance(opt.text)) << qPrintable(opt.text);
        EXPECT_FALSE(label.intersects(arrow)) << qPrintable(opt.text);
        EXPECT_TRUE(opt.rect.contains(arrow)) << qPrintable(opt.text);
        // A table lays its sections out at the default width, not at their
        // hints: that width grows with the scale too.
        EXPECT_GE(header.defaultSectionSize(), header.sectionSizeFromContents(section).width())
            << qPrintable(opt.text);
    }
}

// A combo box alone in a shown window, laid out at its size hint or, for its
// twin, wider by some pixels.
struct LaidOutCombo {
    LaidOutCombo(const QString& text, bool editable, int extraWidth)
    {
        combo = new QComboBox(&window);
        combo->setEditable(editable);
        combo->addItem(text);
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(combo);
        layout->addStretch();
        window.show();
        if (extraWidth > 0)
            combo->setMinimumWidth(combo->sizeHint().width() + extraWidth);
        layout->activate();
        // Activated and then unfocused: no cursor in an editable one.
        QCoreApplication::processEvents();
        if (QWidget* focus = QApplication::focusWidget())
            focus->clearFocus();
    }
    // The combo as it paints itself, children included.
    QImage grab() const { return combo->grab().toImage().convertToFormat(QImage::Format_ARGB32); }

    QWidget window;
    QComboBox* combo = nullptr;
};

// The pixels where two images of one size differ, in the first's colours,
// cut to the columns that have any; null when none do.
QImage inkOf(const QImage& with, const QImage& without)
{
    QImage ink(with.size(), QImage::Format_ARGB32);
    ink.fill(Qt::transparent);
    int first = -1;
    int last = -1;
    for (int x = 0; x < with.width(); ++x)
        for (int y = 0; y < with.height(); ++y)
            if (with.pixel(x, y) != without.pixel(x, y)) {
                ink.setPixel(x, y, with.pixel(x, y));
                if (first < 0)
                    first = x;
                last = x;
            }
    return first < 0 ? QImage() : ink.copy(first, 0, last - first + 1, ink.height());
}

// The text's ink: the combo painted with its text against the same combo
// with the text taken out.
QImage textInk(LaidOutCombo& laid)
{
    const QString text = laid.combo->itemText(0);
    const QImage with = laid.grab();
    laid.combo->setItemText(0, QString());
    if (QLineEdit* edit = laid.combo->lineEdit())
        edit->clear();
    const QImage without = laid.grab();
    laid.combo->setItemText(0, text);
    return inkOf(with, without);
}

// Texts ending in round glyphs, whose ink runs out to their advance: the
// hint has no slack at the end to hide a short measure.
TEST_P(TextRoomTest, ComboBoxAtItsSizeHintShowsItsTextAsWhenWider)
{
    for (const bool editable : {false, true})
        for (const QString& text : {QStringLiteral("Editable"), QStringLiteral("Original Colors")}) {
            LaidOutCombo hinted(text, editable, 0);
            ASSERT_EQ(hinted.combo->width(), hinted.combo->sizeHint().width());
            LaidOutCombo wide(text, editable, 200);
            ASSERT_EQ(wide.combo->width(), hinted.combo->width() + 200);
            const QImage ink = textInk(hinted);
            const QImage wideInk = textInk(wide);
            ASSERT_FALSE(wideInk.isNull()) << qPrintable(text);
            EXPECT_EQ(ink.width(), wideInk.width()) << qPrintable(text) << (editable ? " editable" : "");
            EXPECT_TRUE(ink == wideInk) << qPrintable(text) << (editable ? " editable" : "");
        }
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<const char*, double>>& info)
{
    return std::string(std::get<0>(info.param)) + "_x" +
           std::to_string(static_cast<int>(std::get<1>(info.param) * 100));
}

INSTANTIATE_TEST_SUITE_P(EveryStyleAndScale, TextRoomTest,
                         ::testing::Combine(::testing::ValuesIn(kStyles), ::testing::ValuesIn(kScales)), caseName);

} // namespace
