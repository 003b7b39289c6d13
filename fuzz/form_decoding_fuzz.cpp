// Arbitrary bytes as form data: the pair splitting and decoding, the items made from the
// pairs, and decode_form_data with an environment. The registry is an empty directory, so
// resolving the target always fails, with an error page (sent to /dev/null).
#include "environment/environment.h"
#include "gateway/form_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// The form data as the decoder gets it: a buffer of exactly `size` bytes (so that a read
// past the data is caught), rewritten in place by every decoding.
std::unique_ptr<char[]> copy_of(std::uint8_t const* data, std::size_t size)
{
    auto copy = std::make_unique_for_overwrite<char[]>(size);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    return copy;
}

qmt::DecodingBuffers fresh_buffers()
{
    qmt::DecodingBuffers buffers;
    buffers.name.reserve(10);
    buffers.value.reserve(10);
    return buffers;
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::size_t count_of(std::uint8_t const* data, std::size_t size, std::uint8_t byte)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < size; ++i)
        n += data[i] == byte;
    return n;
}

// Splits the data, adding every pair after the first to CustomItems as the decoder does.
void split_into_items(std::uint8_t const* data, std::size_t size)
{
    qmt::Environment* environment = qmt::Environment::create();
    check(environment != nullptr);
    auto bytes = copy_of(data, size);
    // The count that the field limit is checked against, taken before anything is decoded.
    std::size_t const counted = qmt::count_form_pairs(bytes.get(), size, SIZE_MAX);
    qmt::DecodingBuffers buffers = fresh_buffers();
    std::size_t pairs = 0;
    qmt::split_form_pairs(bytes.get(), size, buffers,
                          [&](qmt::WideChar const* name, qmt::WideChar const* value, std::size_t value_units) {
                              // A decoded %00 may end the text early, never late.
                              check(qmt::wide_length(value) <= value_units && value[value_units] == 0);
                              check(qmt::wide_length(name) <= size);
                              if (pairs++ > 0)
                                  environment->custom_items()->add(name, value);
                              return true;
                          });
    // Every pair but the last ends at an "&"; escaped ones (%26) end none.
    check(pairs >= 1 && pairs <= count_of(data, size, '&') + 1);
    check(pairs == counted);
    check(static_cast<std::size_t>(environment->custom_items()->count()) == pairs - 1);
    environment->Release();
}

void decode_without_target(std::uint8_t const* data, std::size_t size)
{
    qmt::Environment* environment = qmt::Environment::create();
    check(environment != nullptr);
    auto bytes = copy_of(data, size);
    qmt::DecodingBuffers buffers = fresh_buffers();
    qmt::Target target;
    bool const resolved = qmt::decode_form_data(*environment, bytes.get(), size, buffers, target);
    // Nothing is registered: every first pair fails, with an error page and no items.
    check(!resolved && target.object == nullptr);
    check(environment->error_state().is_set());
    check(environment->custom_items()->count() == 0);
    environment->Release();
}

char registry[] = "/tmp/qmt-fuzz-registry-XXXXXX";

void remove_registry() { rmdir(registry); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (mkdtemp(registry) == nullptr || setenv("QUILLMATE_REGISTRY", registry, 1) != 0)
        std::abort();
    std::atexit(remove_registry);
    // The error pages go to standard output; the fuzzer reports on standard error.
    int const null_output = open("/dev/null", O_WRONLY);
    if (null_output < 0 || dup2(null_output, STDOUT_FILENO) < 0)
        std::abort();
    close(null_output);
    CoInitialize(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    split_into_items(data, size);
    decode_without_target(data, size);
    return 0;
}
