// What a worker sees of a class registered again while it runs: by default the next request
// reads the registry afresh; a worker that keeps its libraries remembers the classes it has
// created and sees the change once it has been started again. Runs with --fastcgi only.
#include "fastcgi_worker.h"
#include "session.h"
#include "target.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {
namespace {

constexpr char reregistered_class[] = "Qmt.Reregistered";
constexpr char probe_clsid[] = "{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}";
// Qmt.Stranger's class: the probe's library refuses it.
constexpr char refused_clsid[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D03}";
constexpr char refusal[] = "CLASS_E_CLASSNOTAVAILABLE";

struct WorkerMode {
    char const* name;
    bool keeps_libraries;
};

class WorkerRegistry : public ::testing::TestWithParam<WorkerMode> { };

TEST_P(WorkerRegistry, SeesAClassRegisteredAgain)
{
    if (fastcgi_worker() == nullptr)
        GTEST_SKIP() << "about the FastCGI worker: run with --fastcgi";
    Target const& target = target_under_test();
    bool const keeps = GetParam().keeps_libraries;
    std::string error;
    std::string const directory = target.make_case_directory(std::string("WorkerRegistry-") + GetParam().name, error);
    ASSERT_TRUE(error.empty()) << error;
    std::string const key = std::string(reregistered_class) + "\\CLSID";
    // Removed also when an assertion ends the test early: later rows share the registry.
    struct RemovedAtEnd {
        Target const& target;
        ~RemovedAtEnd()
        {
            std::string ignored;
            target.delete_registry_key(reregistered_class, ignored);
        }
    } const removed_at_end {target};
    ASSERT_TRUE(target.write_registry_value(key, probe_clsid, error)) << error;

    ChildRequest program = target.request({}, {});
    if (keeps)
        program.environment.emplace_back("QUILLMATE_KEEP_LIBRARIES=1");
    FastCgiWorker worker(program.argv, program.environment, directory);
    ChildRequest const request = target.request(
        {},
        {{"REQUEST_METHOD", "GET"}, {"QUERY_STRING", std::string("obj=") + reregistered_class + "+Run&send=served"}});

    ChildResult const first = worker.serve(request);
    EXPECT_EQ(first.out, "served") << first.launch_error << first.err;

    ASSERT_TRUE(target.write_registry_value(key, refused_clsid, error)) << error;
    ChildResult const second = worker.serve(request);
    if (keeps) {
        EXPECT_EQ(second.out, "served") << "the class created before is remembered\n" << second.err;
    } else {
        EXPECT_NE(second.err.find(refusal), std::string::npos) << "the next request reads the registry\n" << second.err;
    }

    EXPECT_EQ(worker.stop(), "");
    ChildResult const restarted = worker.serve(request);
    EXPECT_NE(restarted.err.find(refusal), std::string::npos) << "a new worker reads the registry\n" << restarted.err;
    EXPECT_EQ(worker.stop(), "");
    EXPECT_TRUE(target.delete_registry_key(reregistered_class, error)) << error;
}

INSTANTIATE_TEST_SUITE_P(Worker, WorkerRegistry,
                         ::testing::Values(WorkerMode {"Default", false}, WorkerMode {"KeepingLibraries", true}),
                         [](::testing::TestParamInfo<WorkerMode> const& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
