#pragma once

#include "ofx/openfx/OfxCore.h"

namespace Nuvra::OFX {

// The render action: the source over the render window and the parameter
// values go to the child in one request; its pixels come back into the
// output image. The output is written only after a complete, successful
// reply.
OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs);

} // namespace Nuvra::OFX
