#pragma once

// The vocabulary through which application code asks the styles for a look:
// dynamic widget properties and the values of "nuvraShape". Every style reads
// these names, so they live in one place.

namespace Nuvra {
namespace Style {

inline constexpr char nuvraShapeProperty[] = "nuvraShape";
inline constexpr char nuvraIconProperty[] = "nuvraIcon";
inline constexpr char nuvraIconSizeProperty[] = "nuvraIconSize";
inline constexpr char ignoreScaleProperty[] = "IgnoreScale";
inline constexpr char activeTabColorProperty[] = "ActiveTabColor";
inline constexpr char lastWindowScaleProperty[] = "LastWindowScale";
inline constexpr char lastWindowRectProperty[] = "LastWindowRect";
inline constexpr char resourcePathProperty[] = "ResourcePath";

// Values of "nuvraShape", compared case-sensitively.
inline constexpr char nuvraShapeNone[] = "None";
inline constexpr char nuvraShapeTool[] = "ToolType";
inline constexpr char nuvraShapeToolBtn[] = "ToolButton";
inline constexpr char nuvraShapeAbout[] = "AboutButton";
inline constexpr char nuvraShapeLeft[] = "PushLeft";
inline constexpr char nuvraShapeRight[] = "PushRight";
inline constexpr char nuvraWrapText[] = "PushWrapText";
inline constexpr char nuvraShapeTopBar[] = "TopBar";
inline constexpr char nuvraShapeToolBar[] = "ToolBar";
inline constexpr char nuvraShapeRoundBox[] = "RoundedBox";
inline constexpr char nuvraShapeRoundFill[] = "RoundedFill";
inline constexpr char nuvraShapeRoundFillBox[] = "RoundedFillBack";
inline constexpr char nuvraShapeScrollMini[] = "ScrollMini";
inline constexpr char nuvraShapeScrollMidi[] = "ScrollMidi";
inline constexpr char nuvraShapeScrollOver[] = "ScrollOver";
inline constexpr char nuvraShapeBorderOver[] = "BorderOver";
inline constexpr char nuvraShapeBorderNone[] = "BorderNone";
inline constexpr char nuvraIconMenu[] = "IconMenu";

} // namespace Style

namespace AppVars {
// Relative icon names resolve against the current style's folder while this
// holds (always, in this application); otherwise against ":/style/".
extern bool usingNuvraStyle;
} // namespace AppVars
} // namespace Nuvra
