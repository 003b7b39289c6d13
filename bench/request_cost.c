/* The cost of one request as a web server pays it: fork, exec, the program's run, its
   output drained from a pipe, and wait4. It runs the gateway (by default a GET whose object
   writes 1 KB) and a minimal dynamically linked C program writing the same bytes,
   interleaved in one run so that both see the same machine load, and prints the median wall
   time and the peak resident set of each.

     request_cost GATEWAY BASELINE [RUNS [QUERY_STRING [TIME_RATIO_TARGET]]]

   The children get a fixed CGI environment; QUILLMATE_REGISTRY is passed on from this
   program's own environment (it must name a registry where Bench.Kilobyte is registered).

   Written in C and kept small on purpose: a child's peak resident set counts the pages it
   inherited from this process until its exec, so a large parent would raise both figures. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { default_runs = 2000, warmup_runs = 50, max_output = 64 * 1024 };

/* The targets the gateway is held to (the time ratio may be given). */
static double max_time_ratio = 1.5;
static long const max_rss_difference_kib = 2048;

struct Sample {
    double wall_us;
    double cpu_us; /* user + system time of the child */
    long max_rss_kib;
    long minor_faults; /* pages first touched: costly on virtual machines */
};

struct Program {
    char const* label;
    char const* path;
    struct Sample* samples;
    size_t count;
    char first_output[max_output];
    size_t first_output_length;
};

static double now_us(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

/* One request: returns 0 and fills `sample` (and the output when `keep` is set), or -1. */
static int run_once(struct Program* program, char* const* environment, int keep, struct Sample* sample)
{
    static char drain[max_output];
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0)
        return -1;
    double const start = now_us();
    pid_t const child = fork();
    if (child < 0) {
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        return -1;
    }
    if (child == 0) {
        int const null_input = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null_input < 0 || dup2(null_input, STDIN_FILENO) < 0 || dup2(pipe_ends[1], STDOUT_FILENO) < 0)
            _exit(126);
        char* const argv[] = {(char*)program->path, NULL};
        execve(program->path, argv, environment);
        _exit(127);
    }
    close(pipe_ends[1]);
    size_t total = 0;
    for (;;) {
        ssize_t const got = read(pipe_ends[0], drain, sizeof drain);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (keep && total + (size_t)got <= sizeof program->first_output)
            memcpy(program->first_output + total, drain, (size_t)got);
        total += (size_t)got;
    }
    close(pipe_ends[0]);
    int status = 0;
    struct rusage usage;
    while (wait4(child, &status, 0, &usage) < 0)
        if (errno != EINTR)
            return -1;
    double const end = now_us();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "request_cost: %s ended with status 0x%x\n", program->path, status);
        return -1;
    }
    if (keep)
        program->first_output_length = total;
    sample->wall_us = end - start;
    sample->cpu_us = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6
        + (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    sample->max_rss_kib = usage.ru_maxrss;
    sample->minor_faults = usage.ru_minflt;
    return 0;
}

static int compare_doubles(void const* a, void const* b)
{
    double const x = *(double const*)a, y = *(double const*)b;
    return (x > y) - (x < y);
}

static int compare_longs(void const* a, void const* b)
{
    long const x = *(long const*)a, y = *(long const*)b;
    return (x > y) - (x < y);
}

struct Figures {
    double wall_median, wall_p10, wall_p90, cpu_median;
    long rss_median, rss_max, faults_median;
};

static struct Figures figures_of(const struct Program* program)
{
    size_t const n = program->count;
    double* wall = malloc(n * sizeof *wall);
    double* cpu = malloc(n * sizeof *cpu);
    long* rss = malloc(n * sizeof *rss);
    long* faults = malloc(n * sizeof *faults);
    struct Figures f = {0, 0, 0, 0, 0, 0, 0};
    if (wall == NULL || cpu == NULL || rss == NULL || faults == NULL) {
        free(wall), free(cpu), free(rss), free(faults);
        return f;
    }
    for (size_t i = 0; i < n; ++i) {
        wall[i] = program->samples[i].wall_us;
        cpu[i] = program->samples[i].cpu_us;
        rss[i] = program->samples[i].max_rss_kib;
        faults[i] = program->samples[i].minor_faults;
    }
    qsort(wall, n, sizeof *wall, compare_doubles);
    qsort(cpu, n, sizeof *cpu, compare_doubles);
    qsort(rss, n, sizeof *rss, compare_longs);
    qsort(faults, n, sizeof *faults, compare_longs);
    f.wall_median = wall[n / 2];
    f.wall_p10 = wall[n / 10];
    f.wall_p90 = wall[n * 9 / 10];
    f.cpu_median = cpu[n / 2];
    f.rss_median = rss[n / 2];
    f.rss_max = rss[n - 1];
    f.faults_median = faults[n / 2];
    free(wall), free(cpu), free(rss), free(faults);
    return f;
}

static void print_row(char const* label, const struct Figures* f)
{
    printf("  %-9s %9.0f %9.0f %9.0f %9.0f %11ld %11ld %9ld\n", label, f->wall_median, f->wall_p10, f->wall_p90,
           f->cpu_median, f->rss_median, f->rss_max, f->faults_median);
}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 6) {
        fprintf(stderr, "usage: %s GATEWAY BASELINE [RUNS [QUERY_STRING [TIME_RATIO_TARGET]]]\n", argv[0]);
        return 2;
    }
    size_t const runs = argc >= 4 ? strtoul(argv[3], NULL, 10) : default_runs;
    char const* query = argc >= 5 ? argv[4] : "obj=Bench.Kilobyte+Send&cat=7";
    if (argc >= 6)
        max_time_ratio = strtod(argv[5], NULL);
    char const* registry = getenv("QUILLMATE_REGISTRY");
    if (runs < 10 || registry == NULL) {
        fprintf(stderr, "request_cost: needs at least 10 runs and QUILLMATE_REGISTRY\n");
        return 2;
    }

    static char registry_variable[4096];
    static char query_variable[4096];
    snprintf(registry_variable, sizeof registry_variable, "QUILLMATE_REGISTRY=%s", registry);
    snprintf(query_variable, sizeof query_variable, "QUERY_STRING=%s", query);
    char* environment[] = {
        registry_variable,
        "GATEWAY_INTERFACE=CGI/1.1",
        "SERVER_PROTOCOL=HTTP/1.1",
        "SERVER_SOFTWARE=bench",
        "SERVER_NAME=localhost",
        "SERVER_PORT=80",
        "REQUEST_METHOD=GET",
        "SCRIPT_NAME=/cgi-bin/quillmate",
        query_variable,
        "REMOTE_ADDR=127.0.0.1",
        "HTTP_HOST=localhost",
        "HTTP_ACCEPT=text/html",
        "HTTP_USER_AGENT=request_cost",
        NULL,
    };

    static struct Program programs[2];
    programs[0].label = "gateway";
    programs[0].path = argv[1];
    programs[1].label = "baseline";
    programs[1].path = argv[2];
    for (int p = 0; p < 2; ++p) {
        programs[p].samples = calloc(runs, sizeof(struct Sample));
        if (programs[p].samples == NULL)
            return 1;
    }

    /* Warm-up: page cache, dynamic loader cache, CPU frequency; also the output check. */
    for (int i = 0; i < warmup_runs; ++i) {
        for (int p = 0; p < 2; ++p) {
            struct Sample ignored;
            if (run_once(&programs[p], environment, i == 0, &ignored) != 0)
                return 1;
        }
    }
    if (programs[0].first_output_length != programs[1].first_output_length
        || memcmp(programs[0].first_output, programs[1].first_output, programs[0].first_output_length) != 0) {
        fprintf(stderr, "request_cost: the gateway's response differs from the baseline's; it was:\n");
        fwrite(programs[0].first_output, 1, programs[0].first_output_length, stderr);
        return 1;
    }

    /* Interleaved, the order swapped every round, so that drifts in load hit both alike. */
    for (size_t i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            struct Program* program = &programs[(i + (size_t)k) % 2];
            if (run_once(program, environment, 0, &program->samples[program->count]) != 0)
                return 1;
            ++program->count;
        }
    }

    struct Figures const gateway = figures_of(&programs[0]);
    struct Figures const baseline = figures_of(&programs[1]);
    double const ratio = gateway.wall_median / baseline.wall_median;
    long const rss_difference = gateway.rss_median - baseline.rss_median;

    printf("request cost of %s: %zu runs each, %zu-byte response, fork+exec+wait4, output drained from a pipe\n", query,
           runs, programs[0].first_output_length);
    printf("  %-9s %9s %9s %9s %9s %11s %11s %9s\n", "", "median", "p10", "p90", "cpu", "maxrss", "maxrss", "minor");
    printf("  %-9s %9s %9s %9s %9s %11s %11s %9s\n", "", "wall us", "wall us", "wall us", "median us", "median KiB",
           "max KiB", "faults");
    print_row("gateway", &gateway);
    print_row("baseline", &baseline);
    printf("gateway median        %8.0f us\n", gateway.wall_median);
    printf("baseline median       %8.0f us\n", baseline.wall_median);
    printf("ratio                 %8.2f     (target <= %.1f: %s)\n", ratio, max_time_ratio,
           ratio <= max_time_ratio ? "met" : "MISSED");
    printf("cpu time ratio        %8.2f\n", gateway.cpu_median / baseline.cpu_median);
    printf("gateway peak RSS      %8ld KiB\n", gateway.rss_median);
    printf("baseline peak RSS     %8ld KiB\n", baseline.rss_median);
    printf("RSS difference        %8ld KiB (target <= %ld KiB: %s)\n", rss_difference, max_rss_difference_kib,
           rss_difference <= max_rss_difference_kib ? "met" : "MISSED");
    return 0;
}
