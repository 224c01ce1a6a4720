#pragma once

#include <cstdint>

#include "cli/console_front_end.hpp"
#include "cli/exit_status.hpp"
#include "engine/job_pipeline.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// A job of the pipeline run from the console: its messages as lines, its
// questions asked on the terminal (answered No without one; a No is followed
// by "Nothing was changed."), a plan refused for its problems printed with
// what to do, the progress bar on standard error, and its end reported as
// the window reports one (the notice, or the log and the offer to save it).
class ConsoleJobHost : public JobHost {
  public:
    ConsoleJobHost(ConsoleFrontEnd& frontEnd, FileSystem& fs) : frontEnd_(frontEnd), fs_(fs) {}

    void Say(const PlanMessage& message) override;
    bool Review(const JobPlan& plan) override;
    bool Confirm(const JobPlan& plan, const JobRecord* undoing) override;
    void Refused(const JobPlan& plan) override;
    void Applying(std::int64_t entries) override;
    void JobStep(int entries) override;
    void JobDone(const JobResult& result) override;

  private:
    ConsoleFrontEnd& frontEnd_;
    FileSystem& fs_;
    std::int64_t position_ = 0;
};

// The exit status of a run of the pipeline: the job's result when it was
// applied, kExitNotApplied when it was refused, cancelled or not confirmed,
// kExitInvalid when it could not be carried out.
ExitStatus ExitStatusOf(const JobRun& run);

}  // namespace torvane
