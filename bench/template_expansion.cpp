// Template expansion side by side with two template engines. The same rows page (a title
// field and a section of two-field rows) at 1,000 and 100,000 rows, written to a pipe that
// another process drains, by
//   gateway    the environment's template members in process: OpenTemplate, one
//              SendTemplate per value, CloseTemplate, out through the output channel;
//   ctemplate  a dictionary filled, the template expanded into a string that is written;
//   mstch      a context filled, the page rendered into a string that is written;
//   floor      the same bytes, prepared beforehand, written in 64 KiB pieces.
// Every engine's page is compared with the gateway's before anything is timed. A figure is
// the median of several runs, the engines taking turns within each. Filling (the store, the
// dictionary, the context) and writing the page are timed apart. Rows per second are
// judged on their sum, the whole cost of a page; the floor, which fills nothing, is
// compared with writing the page.
//
//   template_expansion [ROUNDS_SCALE]   (1 by default; 2 runs twice as many rounds)
#include "environment/environment.h"

#include <ctemplate/template.h>
#include <mstch/mstch.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char gateway_template[] = "<!DOCTYPE html>\n"
                                    "<html><head><title><!-- template:title --></title></head><body>\n"
                                    "<h1><!-- template:title --></h1>\n"
                                    "<table><!-- template:beginsection:rows -->\n"
                                    "<tr><td><!-- template:name --></td><td><!-- template:price --></td></tr>"
                                    "<!-- template:endsection -->\n"
                                    "</table>\n"
                                    "</body></html>\n";
constexpr char ctemplate_template[] = "<!DOCTYPE html>\n"
                                      "<html><head><title>{{TITLE}}</title></head><body>\n"
                                      "<h1>{{TITLE}}</h1>\n"
                                      "<table>{{#ROWS}}\n"
                                      "<tr><td>{{NAME}}</td><td>{{PRICE}}</td></tr>{{/ROWS}}\n"
                                      "</table>\n"
                                      "</body></html>\n";
constexpr char mstch_template[] = "<!DOCTYPE html>\n"
                                  "<html><head><title>{{{title}}}</title></head><body>\n"
                                  "<h1>{{{title}}}</h1>\n"
                                  "<table>{{#rows}}\n"
                                  "<tr><td>{{{name}}}</td><td>{{{price}}}</td></tr>{{/rows}}\n"
                                  "</table>\n"
                                  "</body></html>\n";
constexpr char title[] = "Price list";
constexpr std::size_t floor_piece = 64 * 1024;

// The targets of the gateway.
constexpr double least_rate_over_ctemplate = 10.0;
constexpr double most_time_over_floor = 1.5;

struct Row {
    std::string name;
    std::string price;
};

std::vector<Row> make_rows(std::size_t count)
{
    std::vector<Row> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        char name[32];
        char price[16];
        std::snprintf(name, sizeof name, "Article %06zu", i + 1);
        std::size_t const cents = 250 + (i * 7919) % 99750;
        std::snprintf(price, sizeof price, "%zu.%02zu", cents / 100, cents % 100);
        rows.push_back({name, price});
    }
    return rows;
}

double now_ms()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void write_out(char const* bytes, std::size_t length)
{
    while (length > 0) {
        ssize_t const written = write(STDOUT_FILENO, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            std::perror("template_expansion: write");
            std::exit(1);
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

std::u16string widened(std::string const& text) { return std::u16string(text.begin(), text.end()); }

struct Times {
    double fill_ms;
    double write_ms;
};

// One page through an engine: filling, then writing to standard output.
class Engine {
public:
    virtual ~Engine() = default;
    virtual char const* name() const = 0;
    virtual Times run() = 0;
};

class Gateway final : public Engine {
public:
    Gateway(std::vector<Row> const& rows, std::string const& template_path)
        : m_environment(qmt::Environment::create())
    {
        if (m_environment == nullptr)
            std::exit(1);
        m_path = text(widened(template_path));
        m_title = text(widened(title));
        for (Row const& row : rows) {
            m_values.push_back(text(widened(row.name)));
            m_values.push_back(text(widened(row.price)));
        }
    }
    ~Gateway() override
    {
        for (BSTR text : m_texts)
            SysFreeString(text);
        m_environment->Release();
    }
    char const* name() const override { return "gateway"; }
    Times run() override
    {
        double const start = now_ms();
        check(m_environment->OpenTemplate(m_path));
        check(m_environment->SendTemplate(m_title_name, m_title));
        check(m_environment->BeginSection(m_rows_name));
        for (std::size_t i = 0; i < m_values.size(); i += 2) {
            check(m_environment->SendTemplate(m_name_name, m_values[i]));
            check(m_environment->SendTemplate(m_price_name, m_values[i + 1]));
        }
        check(m_environment->EndSection());
        double const filled = now_ms();
        check(m_environment->CloseTemplate(nullptr));
        return {filled - start, now_ms() - filled};
    }

private:
    BSTR text(std::u16string const& units)
    {
        BSTR copy = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
        m_texts.push_back(copy);
        return copy;
    }
    static void check(HRESULT status)
    {
        if (status != S_OK) {
            std::fprintf(stderr, "template_expansion: the gateway answered 0x%08X\n", static_cast<unsigned>(status));
            std::exit(1);
        }
    }

    qmt::Environment* m_environment;
    std::vector<BSTR> m_texts;
    BSTR m_path;
    BSTR m_title;
    BSTR m_title_name {text(u"title")};
    BSTR m_rows_name {text(u"rows")};
    BSTR m_name_name {text(u"name")};
    BSTR m_price_name {text(u"price")};
    std::vector<BSTR> m_values;
};

class Ctemplate final : public Engine {
public:
    explicit Ctemplate(std::vector<Row> const& rows)
        : m_rows(rows)
    {
        ctemplate::StringToTemplateCache("rows_page", ctemplate_template, ctemplate::DO_NOT_STRIP);
    }
    char const* name() const override { return "ctemplate"; }
    Times run() override
    {
        double const start = now_ms();
        ctemplate::TemplateDictionary dictionary("page");
        dictionary.SetValue("TITLE", title);
        for (Row const& row : m_rows) {
            ctemplate::TemplateDictionary* section = dictionary.AddSectionDictionary("ROWS");
            section->SetValue("NAME", row.name);
            section->SetValue("PRICE", row.price);
        }
        double const filled = now_ms();
        std::string page;
        ctemplate::ExpandTemplate("rows_page", ctemplate::DO_NOT_STRIP, &dictionary, &page);
        write_out(page.data(), page.size());
        return {filled - start, now_ms() - filled};
    }

private:
    std::vector<Row> const& m_rows;
};

class Mstch final : public Engine {
public:
    explicit Mstch(std::vector<Row> const& rows)
        : m_rows(rows)
    {
    }
    char const* name() const override { return "mstch"; }
    Times run() override
    {
        double const start = now_ms();
        mstch::array rows;
        rows.reserve(m_rows.size());
        for (Row const& row : m_rows)
            rows.push_back(mstch::map {{"name", row.name}, {"price", row.price}});
        mstch::map const context {{"title", std::string(title)}, {"rows", std::move(rows)}};
        double const filled = now_ms();
        std::string const page = mstch::render(mstch_template, context);
        write_out(page.data(), page.size());
        return {filled - start, now_ms() - filled};
    }

private:
    std::vector<Row> const& m_rows;
};

class Floor final : public Engine {
public:
    explicit Floor(std::string page)
        : m_page(std::move(page))
    {
    }
    char const* name() const override { return "floor"; }
    Times run() override
    {
        double const start = now_ms();
        for (std::size_t at = 0; at < m_page.size(); at += floor_piece)
            write_out(m_page.data() + at, std::min(floor_piece, m_page.size() - at));
        return {0, now_ms() - start};
    }

private:
    std::string m_page;
};

// Standard output pointed elsewhere for as long as this lives.
class RedirectedOutput {
public:
    explicit RedirectedOutput(int target)
        : m_saved(dup(STDOUT_FILENO))
    {
        if (m_saved < 0 || dup2(target, STDOUT_FILENO) < 0)
            std::exit(1);
    }
    ~RedirectedOutput()
    {
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
    }

private:
    int m_saved;
};

// The bytes an engine writes for one page.
std::string page_of(Engine& engine)
{
    char path[] = "/tmp/qmt-bench-page-XXXXXX";
    int const file = mkstemp(path);
    if (file < 0)
        std::exit(1);
    unlink(path);
    {
        RedirectedOutput const into_file(file);
        engine.run();
    }
    std::string page;
    char buffer[65536];
    lseek(file, 0, SEEK_SET);
    for (ssize_t got; (got = read(file, buffer, sizeof buffer)) > 0;)
        page.append(buffer, static_cast<std::size_t>(got));
    close(file);
    return page;
}

// Keeps this process, and the reader it forks, on the first CPU. On these virtual machines
// waking a process on another CPU costs more than copying 64 KiB, so a writer and a reader
// on two CPUs move the bytes several times slower than on one, and which of the two the
// scheduler picks varies from run to run. On one CPU the floor is both steady and fastest.
void run_on_one_cpu()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    sched_setaffinity(0, sizeof set, &set);
}

// A child process that reads the pipe to its end; the write end becomes standard output.
class DrainedPipe {
public:
    DrainedPipe()
    {
        int ends[2];
        if (pipe(ends) != 0)
            std::exit(1);
        m_reader = fork();
        if (m_reader < 0)
            std::exit(1);
        if (m_reader == 0) {
            close(ends[1]);
            static char buffer[65536];
            while (read(ends[0], buffer, sizeof buffer) > 0) { }
            _exit(0);
        }
        close(ends[0]);
        m_write_end = ends[1];
    }
    ~DrainedPipe()
    {
        close(m_write_end);
        waitpid(m_reader, nullptr, 0);
    }
    int write_end() const { return m_write_end; }

private:
    pid_t m_reader;
    int m_write_end;
};

struct Figures {
    double fill_ms;
    double write_ms;
    double total_ms;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<Figures> measure(std::vector<Engine*> const& engines, int rounds)
{
    std::vector<std::vector<double>> fill(engines.size()), write(engines.size()), total(engines.size());
    DrainedPipe const pipe;
    RedirectedOutput const into_pipe(pipe.write_end());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < engines.size(); ++k) {
            std::size_t const e = (k + static_cast<std::size_t>(round)) % engines.size();
            Times const times = engines[e]->run();
            fill[e].push_back(times.fill_ms);
            write[e].push_back(times.write_ms);
            total[e].push_back(times.fill_ms + times.write_ms);
        }
    }
    std::vector<Figures> figures;
    for (std::size_t e = 0; e < engines.size(); ++e)
        figures.push_back({median(fill[e]), median(write[e]), median(total[e])});
    return figures;
}

char const* verdict(bool met) { return met ? "met" : "MISSED"; }

// Returns whether every target was met at this size.
bool run_size(std::size_t row_count, int rounds, std::string const& template_path)
{
    std::vector<Row> const rows = make_rows(row_count);
    Gateway gateway(rows, template_path);
    Ctemplate ctemplate_engine(rows);
    Mstch mstch_engine(rows);
    std::string const page = page_of(gateway);
    for (Engine* engine : std::initializer_list<Engine*> {&ctemplate_engine, &mstch_engine}) {
        if (page_of(*engine) != page) {
            std::fprintf(stderr, "template_expansion: %s writes another page than the gateway at %zu rows\n",
                         engine->name(), row_count);
            std::exit(1);
        }
    }
    Floor floor(page);
    std::vector<Engine*> const engines {&gateway, &ctemplate_engine, &mstch_engine, &floor};
    std::vector<Figures> const figures = measure(engines, rounds);

    std::printf("%zu rows, %zu-byte page, median of %d runs each:\n", row_count, page.size(), rounds);
    std::printf("  %-10s %10s %10s %10s %14s %10s\n", "", "fill ms", "write ms", "total ms", "rows/s", "MB/s");
    for (std::size_t e = 0; e < engines.size(); ++e) {
        double const seconds = figures[e].total_ms / 1e3;
        std::printf("  %-10s %10.3f %10.3f %10.3f %14.0f %10.1f\n", engines[e]->name(), figures[e].fill_ms,
                    figures[e].write_ms, figures[e].total_ms, static_cast<double>(row_count) / seconds,
                    static_cast<double>(page.size()) / 1e6 / seconds);
    }
    // Rows per second are judged on the whole page; the floor, which fills nothing, on writing.
    double const over_ctemplate = figures[1].total_ms / figures[0].total_ms;
    double const over_mstch = figures[2].total_ms / figures[0].total_ms;
    double const writing_over_floor = figures[0].write_ms / figures[3].write_ms;
    bool const faster = over_ctemplate > 1.0 && over_mstch > 1.0;
    std::printf("  whole page: gateway rows/s %.1f times ctemplate's, %.1f times mstch's (target: faster than both: "
                "%s)\n",
                over_ctemplate, over_mstch, verdict(faster));
    std::printf("  writing alone: gateway %.1f times as fast as ctemplate, %.1f times as fast as mstch\n",
                figures[1].write_ms / figures[0].write_ms, figures[2].write_ms / figures[0].write_ms);
    if (row_count < 100000)
        return faster;
    bool const rate_met = over_ctemplate >= least_rate_over_ctemplate;
    bool const floor_met = writing_over_floor <= most_time_over_floor;
    std::printf("  whole page: gateway rows/s %.1f times ctemplate's (target >= %.0f: %s)\n", over_ctemplate,
                least_rate_over_ctemplate, verdict(rate_met));
    std::printf("  writing the page: gateway %.2f times the floor's time (target <= %.1f: %s); the whole page %.2f "
                "times\n",
                writing_over_floor, most_time_over_floor, verdict(floor_met),
                figures[0].total_ms / figures[3].write_ms);
    return faster && rate_met && floor_met;
}

} // namespace

int main(int argc, char** argv)
{
    int const scale = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    run_on_one_cpu();
    CoInitialize(nullptr);
    char directory[] = "/tmp/qmt-bench-template-XXXXXX";
    if (mkdtemp(directory) == nullptr)
        return 1;
    std::string const path = std::string(directory) + "/rows.htm";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr
        || std::fwrite(gateway_template, 1, sizeof gateway_template - 1, file) != sizeof gateway_template - 1
        || std::fclose(file) != 0)
        return 1;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("template expansion: written to a pipe that another process drains\n");
    bool met = run_size(1000, 301 * scale, path);
    met = run_size(100000, 11 * scale, path) && met;
    std::printf("targets: %s\n", met ? "all met" : "NOT ALL MET");
    unlink(path.c_str());
    rmdir(directory);
    CoUninitialize();
    return 0;
}
