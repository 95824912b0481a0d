#include "effect/ProgressData.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using Nuvra::DataStorage::ProgressData;
using Nuvra::DataStorage::ProgressStage;

namespace {

struct State {
    double base, span, scale;
    int depth;
};

void expectState(const ProgressData& p, const State& s, const char* where)
{
    EXPECT_DOUBLE_EQ(p.base(), s.base) << where;
    EXPECT_DOUBLE_EQ(p.span(), s.span) << where;
    EXPECT_DOUBLE_EQ(p.scale(), s.scale) << where;
    EXPECT_EQ(p.depth(), s.depth) << where;
}

TEST(ProgressData, NestedWeightArithmetic)
{
    // An outer stage of three weighted parts, the second nested with 4 steps,
    // as the pipeline drives it.
    ProgressData p;
    struct Op {
        const char* what;
        std::function<void()> run;
        State after;
    } ops[] = {
        {"open outer", [&] { p.step(); }, {0.0, 1.0, 1.0, 1}},
        {"weight 0.25", [&] { p.setWeight(0.25); }, {0.0, 0.25, 1.0, 1}},
        {"one of one", [&] { p.setTotal(1); p.advance(); }, {0.0, 0.25, 1.0, 1}},
        {"weight 0.5 folds the done step", [&] { p.setWeight(0.5); }, {0.25, 0.5, 1.0, 1}},
        {"open nested", [&] { p.step(); }, {0.0, 1.0, 0.5, 2}},
        {"nested weight 0.5", [&] { p.setTotal(4); p.setWeight(0.5); }, {0.0, 0.5, 0.5, 2}},
        {"two of four, then weight", [&] { p.advance(2); p.setWeight(0.5); }, {0.25, 0.5, 0.5, 2}},
        {"close nested", [&] { p.endStep(); }, {0.75, 0.5, 1.0, 1}},
        {"weight 0.5 is cut to what remains", [&] { p.setWeight(0.5); }, {0.75, 0.25, 1.0, 1}},
        {"close outer", [&] { p.endStep(); }, {0.0, 1.0, 1.0, 0}},
    };
    for (auto& op : ops) {
        op.run();
        expectState(p, op.after, op.what);
    }
}

TEST(ProgressData, StepFoldsDoneStepsIntoBase)
{
    ProgressData p;
    p.setWeight(0.4);
    p.setTotal(10);
    for (int i = 0; i < 5; ++i)
        p.advance();
    p.step(); // half of the running 0.4 is done; the nested stage fills the rest
    expectState(p, {0.0, 1.0, 0.4, 1}, "nested");
    EXPECT_EQ(p.done(), 0);
    p.endStep();
    // Back in the outer stage, moved past the whole running part.
    expectState(p, {0.2 + 0.4, 0.4, 1.0, 0}, "closed");
    EXPECT_EQ(p.total(), 10);

    ProgressData over;
    over.setWeight(0.5);
    over.setTotal(2);
    over.advance(7); // more steps than the total count as the whole part
    over.setWeight(0.1);
    EXPECT_DOUBLE_EQ(over.base(), 0.5);
}

TEST(ProgressData, WeightIsCutAtTheEnd)
{
    ProgressData p;
    p.setWeight(0.9);
    p.setTotal(1);
    p.advance();
    p.setWeight(0.5);
    EXPECT_DOUBLE_EQ(p.base(), 0.9);
    EXPECT_NEAR(p.span(), 0.1, 1e-15);
}

TEST(ProgressData, ClosingAWholeStageStartsOver)
{
    ProgressData p;
    p.step();
    p.endStep(); // base 0 + span 1 = 1 and span 1: back to 0
    EXPECT_DOUBLE_EQ(p.base(), 0.0);
    EXPECT_DOUBLE_EQ(p.span(), 1.0);
}

TEST(ProgressData, UnmatchedEndStepDoesNothing)
{
    ProgressData p;
    p.setWeight(0.3);
    p.setTotal(3);
    p.advance();
    p.endStep();
    expectState(p, {0.0, 0.3, 1.0, 0}, "after");
    EXPECT_EQ(p.done(), 1);
    EXPECT_EQ(p.total(), 3);
}

TEST(ProgressData, FinishedFreezesTheStructureButNotTheCounts)
{
    ProgressData p;
    p.step();
    p.setWeight(0.5);
    p.setFinished(true);
    p.step();
    p.setWeight(0.1);
    p.endStep();
    expectState(p, {0.0, 0.5, 1.0, 1}, "frozen");
    p.setTotal(9);
    p.advance(2);
    EXPECT_EQ(p.total(), 9);
    EXPECT_EQ(p.done(), 2);
}

TEST(ProgressData, StageValuesAreSavedAndRestored)
{
    ProgressData p;
    p.setNextValue(11);
    p.step();
    EXPECT_EQ(p.currentValue(), 11u);
    p.setNextValue(22);
    p.step();
    EXPECT_EQ(p.currentValue(), 22u);
    p.endStep();
    EXPECT_EQ(p.currentValue(), 11u);
    p.endStep();
    EXPECT_EQ(p.currentValue(), 0u);
}

TEST(ProgressData, StageGuardClosesOnEveryWayOutAndToleratesNull)
{
    ProgressData p;
    try {
        ProgressStage stage(&p, 5);
        EXPECT_EQ(p.depth(), 1);
        EXPECT_EQ(p.total(), 5);
        stage.advance(2);
        EXPECT_EQ(p.done(), 2);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(p.depth(), 0);

    ProgressStage none(nullptr, 5);
    none.advance();
    EXPECT_FALSE(none.cancelled());
}

TEST(ProgressData, CancelFlagSetFromAnotherThreadIsSeen)
{
    ProgressData p;
    std::thread owner([&] { p.setCancelled(true); });
    int spins = 0;
    while (!Nuvra::DataStorage::isCancelled(&p)) {
        p.advance(); // counters keep changing under the mutex meanwhile
        ++spins;
    }
    owner.join();
    EXPECT_TRUE(p.cancelled());
    EXPECT_EQ(p.done(), spins);
    EXPECT_FALSE(Nuvra::DataStorage::isCancelled(nullptr));
}

} // namespace
