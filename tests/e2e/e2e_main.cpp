// qmt_e2e: runs the end-to-end table against one gateway build.
//
//   qmt_e2e --gateway build/native/quillmate
//   qmt_e2e --gateway build/win64/quillmate.exe [--launcher /usr/lib/wine/wine64]
//           [--probe build/win64/tests/objects/qmtprobe.dll] [--wine-prefix DIR]
//   qmt_e2e --gateway build/native/quillmate --fastcgi
//
// A gateway whose name ends in .exe runs under Wine. GoogleTest's own flags work as usual.
#include "session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace e2e {
namespace {

std::unique_ptr<Target> current_target;
std::unique_ptr<FastCgiWorker> current_worker;
bool as_fastcgi = false;
FaultKind sweep_kind = FaultKind::none;
std::uint64_t sweep_stride = 1;

bool parse_fault_kind(std::string const& text, FaultKind& kind)
{
    if (text == "allocation")
        kind = FaultKind::failing_allocation;
    else if (text == "write")
        kind = FaultKind::failing_write;
    else if (text == "short-write")
        kind = FaultKind::short_write;
    else
        return false;
    return true;
}

constexpr char usage[]
    = "usage: qmt_e2e --gateway PATH [options] [GoogleTest flags]\n"
      "  --gateway PATH      the gateway to test (a .exe runs under Wine)\n"
      "  --probe PATH        the probe object (default: <gateway's directory>/tests/objects/\n"
      "                      libqmtprobe.so, or qmtprobe.dll for a .exe)\n"
      "  --launcher PATH     program that runs the gateway (default for a .exe: /usr/lib/wine/wine64)\n"
      "  --launcher-arg ARG  an argument for the launcher, before the gateway's path; may be repeated\n"
      "  --wine-prefix DIR   reuse this Wine prefix instead of creating one for the run\n"
      "  --pass-env NAME     also hand this variable of the runner's environment to the gateway\n"
      "                      (for instance ASAN_OPTIONS); may be repeated\n"
      "  --timeout-ms N      time limit of one request (default 20000)\n"
      "  --keep-files        keep the work directory (fixtures, output files, registry)\n"
      "  --inject KIND       sweep every row with a fault of the fault-injection gateway\n"
      "                      (build/*/tests/quillmate_faults): allocation, write or short-write\n"
      "  --inject-stride N   try every Nth position only (default 1: every position)\n"
      "  --fastcgi           serve the rows as requests to one persistent worker (native only);\n"
      "                      rows that depend on a process of their own are skipped\n";

// Accepts "--name value" and "--name=value".
bool take_value(int argc, char** argv, int& index, char const* name, std::string& value)
{
    std::size_t const length = std::strlen(name);
    if (std::strncmp(argv[index], name, length) != 0)
        return false;
    if (argv[index][length] == '=') {
        value = argv[index] + length + 1;
        return true;
    }
    if (argv[index][length] == '\0' && index + 1 < argc) {
        value = argv[++index];
        return true;
    }
    return false;
}

bool parse(int argc, char** argv, TargetOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (take_value(argc, argv, i, "--gateway", value)) {
            options.gateway = value;
        } else if (take_value(argc, argv, i, "--probe", value)) {
            options.probe = value;
        } else if (take_value(argc, argv, i, "--launcher", value)) {
            options.launcher = value;
        } else if (take_value(argc, argv, i, "--launcher-arg", value)) {
            options.launcher_arguments.push_back(value);
        } else if (take_value(argc, argv, i, "--inject", value)) {
            if (!parse_fault_kind(value, sweep_kind)) {
                error = "--inject takes allocation, write or short-write";
                return false;
            }
        } else if (take_value(argc, argv, i, "--inject-stride", value)) {
            sweep_stride = std::strtoull(value.c_str(), nullptr, 10);
            if (sweep_stride == 0) {
                error = "--inject-stride needs a positive number";
                return false;
            }
        } else if (take_value(argc, argv, i, "--wine-prefix", value)) {
            options.wine_prefix = value;
        } else if (take_value(argc, argv, i, "--pass-env", value)) {
            options.passed_variables.push_back(value);
        } else if (take_value(argc, argv, i, "--timeout-ms", value)) {
            options.timeout_ms = std::atoi(value.c_str());
            if (options.timeout_ms <= 0) {
                error = "--timeout-ms needs a positive number";
                return false;
            }
        } else if (std::strcmp(argv[i], "--fastcgi") == 0) {
            as_fastcgi = true;
        } else if (std::strcmp(argv[i], "--keep-files") == 0) {
            options.keep_files = true;
        } else {
            error = std::string("unknown argument ") + argv[i];
            return false;
        }
    }
    if (options.gateway.empty()) {
        error = "--gateway is required";
        return false;
    }
    if (as_fastcgi && sweep_kind != FaultKind::none) {
        error = "--fastcgi and --inject do not go together: a sweep counts the calls of one process per row";
        return false;
    }
    return true;
}

} // namespace

Target const& target_under_test() { return *current_target; }
FastCgiWorker* fastcgi_worker() { return current_worker.get(); }
FaultKind fault_sweep_kind() { return sweep_kind; }
std::uint64_t fault_sweep_stride() { return sweep_stride; }

} // namespace e2e

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    e2e::TargetOptions options;
    std::string error;
    if (!e2e::parse(argc, argv, options, error)) {
        std::fprintf(stderr, "qmt_e2e: %s\n%s", error.c_str(), e2e::usage);
        return 2;
    }
    e2e::current_target = e2e::Target::create(options, error);
    if (!e2e::current_target) {
        std::fprintf(stderr, "qmt_e2e: cannot prepare the target: %s\n", error.c_str());
        return 2;
    }
    std::printf("Target: %s\n", e2e::current_target->description().c_str());
    if (e2e::as_fastcgi) {
        if (e2e::current_target->runs_under_wine()) {
            std::fprintf(stderr, "qmt_e2e: --fastcgi runs native gateways only\n");
            return 2;
        }
        e2e::ChildRequest program = e2e::current_target->request({}, {});
        // Server variables of the worker's own: a request that did not send them must not
        // see them (a worker's request has its parameters alone).
        for (char const* own : {"HTTP_COOKIE=the worker's own", "REMOTE_USER=the worker's own",
                                "CONTENT_TYPE=the worker's own", "HTTPS=on"})
            program.environment.emplace_back(own);
        e2e::current_worker = std::make_unique<e2e::FastCgiWorker>(program.argv, program.environment,
                                                                   e2e::current_target->work_directory());
        std::printf("Each row is a FastCGI request to one worker\n");
    }
    int status = RUN_ALL_TESTS();
    if (e2e::current_worker) {
        // The worker's own end: status 0 after SIGTERM, and nothing more on standard error
        // (a sanitizer's report of the whole worker's life comes here).
        std::string const report = e2e::current_worker->stop();
        if (!report.empty()) {
            std::fprintf(stderr, "qmt_e2e: %s", report.c_str());
            status = 1;
        }
        e2e::current_worker.reset();
    }
    e2e::current_target.reset(); // stops the Wine server and removes the work directory
    return status;
}
