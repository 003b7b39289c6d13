// Random templates expanded against random stores. The template lies in memory mapped
// read-only between inaccessible pages, once ending right at a page boundary and once
// starting at one, so that any read before or past it faults. The two runs gather their
// output in buffers of different sizes and must write the same bytes; a template without
// an opener must come out unchanged. Error pages go to /dev/null.
#include "template/template_expansion.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Pieces that the marker matching cares about, so that random input reaches every path.
constexpr char const* tokens[] = {
    "<!--",
    "-->",
    " ",
    "template:",
    "TeMpLaTe:",
    "beginsection:",
    "EndSection",
    "\t",
    "\r\n",
    "a",
    "b",
    "-",
    "<",
    ">",
    "<!-- template:",
    "<!-- template:endsection -->",
    "<!-- template:a -->",
    "<!-- template:b -->",
    "<!-- template:beginsection:a -->",
    "<!-- template:beginsection:b -->",
    "<!--template:A-->",
    "<!-- template:beginsection:",
    "endsection",
    "<!-- x -->",
};
constexpr std::size_t token_count = sizeof tokens / sizeof tokens[0];

// Names that the templates above can spell, and a few they cannot.
constexpr qmt::WideChar const* names[] = {u"a", u"b", u"", u"A", u"endsection", u"beginsection:a", u"a-->", u"\u00e9"};
constexpr std::size_t name_count = sizeof names / sizeof names[0];

std::u16string random_text(FuzzedDataProvider& input)
{
    // Units that convert to one, two, three and four bytes, halves of pairs alone, a zero.
    static constexpr char16_t units[] = {u'x', u'<', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xDBFF, 0, u'-', u'>'};
    std::u16string text;
    std::size_t const length = input.ConsumeIntegralInRange<std::size_t>(0, 12);
    for (std::size_t i = 0; i < length; ++i)
        text += units[input.ConsumeIntegralInRange<std::size_t>(0, sizeof units / sizeof units[0] - 1)];
    return text;
}

qmt::WideChar const* random_name(FuzzedDataProvider& input, std::u16string& storage)
{
    if (input.ConsumeBool())
        return names[input.ConsumeIntegralInRange<std::size_t>(0, name_count - 1)];
    storage = random_text(input);
    return storage.c_str();
}

void fill_store(FuzzedDataProvider& input, qmt::SectionStore& store)
{
    check(store.add_section(nullptr, false));
    std::size_t const steps = input.ConsumeIntegralInRange<std::size_t>(0, 64);
    for (std::size_t step = 0; step < steps; ++step) {
        std::u16string first;
        std::u16string second;
        std::u16string third;
        switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
        case 1: {
            qmt::WideChar const* const placeholder = random_name(input, first);
            second = random_text(input);
            check(store.append(placeholder, second.c_str()));
            break;
        }
        case 2: {
            qmt::WideChar const* const name = input.ConsumeBool() ? random_name(input, first) : nullptr;
            if (store.find_section(name) < 0)
                check(store.add_section(name, true));
            break;
        }
        case 3: {
            // Rows of two pairs again and again: enough of them cross the store's blocks.
            qmt::WideChar const* const one = random_name(input, first);
            qmt::WideChar const* const other = random_name(input, second);
            third = random_text(input);
            std::size_t const rows = input.ConsumeIntegralInRange<std::size_t>(1, 100);
            for (std::size_t row = 0; row < rows; ++row)
                check(store.append(one, third.c_str()) && store.append(other, third.c_str()));
            break;
        }
        default:
            store.make_main_section_current();
        }
    }
}

std::string make_template(FuzzedDataProvider& input)
{
    bool const from_tokens = input.ConsumeBool();
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    if (!from_tokens)
        return bytes;
    std::string text;
    for (unsigned char const byte : bytes)
        text += byte < token_count ? std::string(tokens[byte]) : std::string(1, static_cast<char>(byte));
    return text;
}

// The bytes in read-only pages with an inaccessible page on either side.
class GuardedBytes {
public:
    GuardedBytes(std::string const& bytes, bool ends_at_page_boundary)
    {
        std::size_t const page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        m_data_size = (bytes.size() + page - 1) / page * page;
        m_size = m_data_size + 2 * page;
        void* const region = mmap(nullptr, m_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        check(region != MAP_FAILED);
        m_region = static_cast<unsigned char*>(region);
        m_data = m_region + page;
        check(m_data_size == 0 || mprotect(m_data, m_data_size, PROT_READ | PROT_WRITE) == 0);
        m_begin = ends_at_page_boundary ? m_data + m_data_size - bytes.size() : m_data;
        if (!bytes.empty())
            std::memcpy(m_begin, bytes.data(), bytes.size());
        check(m_data_size == 0 || mprotect(m_data, m_data_size, PROT_READ) == 0);
    }
    GuardedBytes(GuardedBytes const&) = delete;
    GuardedBytes& operator=(GuardedBytes const&) = delete;
    ~GuardedBytes() { munmap(m_region, m_size); }

    unsigned char const* begin() const { return m_begin; }

private:
    unsigned char* m_region;
    unsigned char* m_data;
    unsigned char* m_begin;
    std::size_t m_data_size;
    std::size_t m_size;
};

struct Result {
    std::string output;
    bool error_page;
};

Result expand(std::string const& bytes, qmt::SectionStore const& store, bool ends_at_page_boundary,
              std::size_t capacity)
{
    GuardedBytes const mapped(bytes, ends_at_page_boundary);
    Result result;
    auto collect = [&result](void const* data, std::uint64_t length) {
        result.output.append(static_cast<char const*>(data), static_cast<std::size_t>(length));
    };
    qmt::ErrorState error_state;
    qmt::GatheredOutput output(qmt::ByteSink(collect), capacity);
    check(qmt::expand_template(mapped.begin(), bytes.size(), store, output, error_state)
          == qmt::ExpansionEnd::finished);
    output.flush();
    result.error_page = error_state.is_set();
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    int const null_output = open("/dev/null", O_WRONLY);
    if (null_output < 0 || dup2(null_output, STDOUT_FILENO) < 0)
        std::abort();
    close(null_output);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    qmt::SectionStore store;
    fill_store(input, store);
    std::size_t const small_capacity = input.ConsumeIntegralInRange<std::size_t>(1, 64);
    std::string const bytes = make_template(input);

    Result const gathered = expand(bytes, store, true, qmt::GatheredOutput::default_capacity);
    Result const in_small_steps = expand(bytes, store, false, small_capacity);
    check(gathered.output == in_small_steps.output && gathered.error_page == in_small_steps.error_page);
    if (bytes.find("<!--") == std::string::npos)
        check(gathered.output == bytes && !gathered.error_page);
    return 0;
}
