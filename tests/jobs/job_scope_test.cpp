#include "jobs/job_scope.h"

#include "session_fixture.h"

namespace murl::test {
namespace {

class JobScopeTest : public SessionTest {};

TEST_F(JobScopeTest, StartsClearOfTheLastJobWithItsOwnOptions) {
  workspace.stop = true;
  Options given;
  given.setLevel(LevelFormat::kWav, 5);
  {
    JobScope scope(workspace, listener, given);
    given.setLevel(LevelFormat::kWav, 1);
    EXPECT_TRUE(workspace.busy);
    EXPECT_FALSE(workspace.stop);
    EXPECT_EQ(workspace.options.level(LevelFormat::kWav), 5);
  }
  EXPECT_FALSE(workspace.busy);  // ended without a completion (closing)

  bool busyWhenPosted = true;
  listener.onFinished = [&](JobCompletion) { busyWhenPosted = workspace.busy; };
  {
    JobScope scope(workspace, listener);
    EXPECT_EQ(workspace.options.level(LevelFormat::kWav), 5);  // kept by a job that reads none
    scope.progress(40);
    scope.finished(JobCompletion::kFilesListed);
    EXPECT_FALSE(busyWhenPosted);
    workspace.busy = true;  // the front end started the next job at once
  }
  EXPECT_TRUE(workspace.busy);
  EXPECT_EQ(listener.percents, std::vector<uint8_t>{40});
  EXPECT_EQ(listener.completions, std::vector<JobCompletion>{JobCompletion::kFilesListed});
}

TEST_F(JobScopeTest, EachCarrierMovesTheBarOverItsShare) {
  struct Step {
    char what;  // 'b' begin(a), 'a' advanced(a, b), 'e' end()
    uint64_t a = 0;
    uint64_t b = 0;
  };
  struct Case {
    size_t carriers;
    std::vector<Step> steps;
    std::vector<uint8_t> shown;
  } cases[] = {
      // Borders round down; repeats are not passed on.
      {3,
       {{'b', 0}, {'e'}, {'b', 1}, {'a', 1, 2}, {'a', 1, 2}, {'e'}, {'b', 2}, {'e'}},
       {0, 33, 50, 66, 100}},
      // More done than the total counts as the whole carrier; a total of 0 says nothing.
      {4, {{'b', 1}, {'a', 1, 8}, {'a', 0, 0}, {'a', 9, 8}, {'e'}}, {25, 28, 50}},
      // Totals past 32 bits.
      {2, {{'b', 1}, {'a', uint64_t{1} << 40, uint64_t{1} << 41}}, {50, 75}},
      {1, {{'b', 0}, {'a', 999, 1000}, {'e'}}, {0, 99, 100}},
  };
  for (const Case& c : cases) {
    listener.percents.clear();
    OverallProgress progress(workspace, listener, c.carriers);
    for (const Step& step : c.steps) {
      if (step.what == 'b') progress.begin(step.a);
      if (step.what == 'a') workspace.reportBlock(step.a, step.b);  // as a handler reports
      if (step.what == 'e') progress.end();
    }
    EXPECT_EQ(listener.percents, c.shown) << c.carriers << " carriers";
  }
  // Unhooked with the job: a late report reaches nobody.
  workspace.reportBlock(1, 2);
  EXPECT_EQ(workspace.carrierProgress, nullptr);
}

}  // namespace
}  // namespace murl::test
