#pragma once

#include <QCommonStyle>

namespace Nuvra {
namespace Style {

// Root of the application's styles. The family number tells drawing code
// which look is in force: 0 for NuvraStyle and its variants, 1 for the
// ModernStyle family.
class BaseStyle : public QCommonStyle {
public:
    BaseStyle() = default;
    ~BaseStyle() override = default;

    virtual int GetStyleFamily() const = 0;
};

} // namespace Style
} // namespace Nuvra
