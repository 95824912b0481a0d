#include <opencv2/core.hpp>

namespace {

// The OpenCV references run on the test's own thread: its worker pool is
// not built for the thread sanitizer, and a reference needs no speed.
const bool kSequential = [] {
    cv::setNumThreads(0);
    return true;
}();

} // namespace
