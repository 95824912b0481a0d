#include <lcms2.h>
#include <cstdio>
static void h(cmsContext, cmsUInt32Number c, const char* t){std::fprintf(stderr,"LCMS %u: %s\n",c,t);}
struct R{R(){cmsSetLogErrorHandler(h);}} r;
