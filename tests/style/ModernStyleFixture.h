#pragma once

#include "StyleTestSupport.h"
#include "style/ModernStyle.h"
#include "style/Palette.h"

// ModernStyle applied at scale 1 for each test, with its extended colours.
class ModernStyleFixture : public AppliedStyleTest<Nuvra::Style::ModernStyle> {
protected:
    void SetUp() override { applyStyle("ModernStyle", 1); }
    QColor ext(Nuvra::Style::Skin::ColorId id) const { return style->extendedPalette()->getColor(id, Qt::black); }
};
