#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

// OpenCV runs single-threaded so that the pairs compare like with like.
int main(int argc, char** argv)
{
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
