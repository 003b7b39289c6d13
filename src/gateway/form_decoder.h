// Form decoding: splits the form data into name/value pairs, decodes "+" and "%xx", and
// resolves the first pair's value ("ClassName MethodName") into a target object and the
// method's dispatch identifier. Every later pair becomes an item of CustomItems.
#pragma once

#include "common/diagnostic_text.h"
#include "common/scratch_buffer.h"
#include "common/wide_text.h"
#include "environment/environment.h"
#include "gateway/class_cache.h"
#include "gateway/request_source.h"

#include <cstddef>

namespace qmt {

struct DecodingBuffers {
    ScratchBuffer<WideChar> name;
    ScratchBuffer<WideChar> value;
    // The request's one line for standard error, built step by step where a failure happens:
    // one buffer for the whole request keeps the request path's stack shallow.
    DiagnosticText line;
    // A failed step's own cause, put behind the step's name in `line` only when it failed.
    DiagnosticText cause;
};

struct Target {
    IDispatch* object {nullptr}; // belongs to the caller, also after a failure
    DISPID method {0};
    // The names, in the value buffer: they live as long as the decoding buffers.
    WideChar const* class_name {nullptr};
    WideChar const* method_name {nullptr};
};

// Decodes `data` (rewritten in place) and resolves the target. False after an error page
// has been written on `environment`, with its line on standard error naming the step and
// the cause: messages 5, 1, 2, 3, or 26 when storage for a name, a value or an item cannot be
// had (the request is then not served with fields missing). The allow-list's variable is
// the request's (`source`). With `classes` (the worker that keeps its libraries), a class
// created before is made without reading the registry, and a new one is remembered.
bool decode_form_data(Environment& environment, char* data, std::size_t count, DecodingBuffers& buffers, Target& target,
                      RequestSource const& source = {}, ClassCache* classes = nullptr);

// The count of pairs in `data`, the target pair included, by the rules of the splitting
// below, without decoding anything; counting stops once it passes `stop_after`.
std::size_t count_form_pairs(char const* data, std::size_t count, std::size_t stop_after);

// One pair's decoded bytes, in the form data's own storage (not terminated).
struct DecodedPair {
    char const* name;
    std::size_t name_length;
    char const* value;
    std::size_t value_length;
};

// The pair splitting and decoding alone. `on_pair` is called with each pair's decoded
// bytes and returns false to stop.
template<typename OnPair>
void split_decoded_pairs(char* data, std::size_t count, OnPair&& on_pair);

// The same, with each pair's name and value converted to wide text in `buffers`: `on_pair`
// gets them (zero-terminated) and the value's count of converted units. False when a buffer
// cannot be had; that pair is not handed on.
template<typename OnPair>
bool split_form_pairs(char* data, std::size_t count, DecodingBuffers& buffers, OnPair&& on_pair);

// Decodes one segment in place, from `position` up to its terminator or the end of the
// data. Returns the count of decoded bytes; `position` ends after the terminator, and
// `ended_at_terminator` tells whether one was met.
std::size_t decode_segment(char* data, std::size_t count, std::size_t& position, char terminator,
                           bool& ended_at_terminator);

// Converts `length` decoded bytes into `buffer`, reserving length + 1 units. Returns the
// text (the buffer, or a static empty text for no bytes), null when no storage could be
// had, and its unit count.
WideChar const* convert_segment(char const* bytes, std::size_t length, ScratchBuffer<WideChar>& buffer,
                                std::size_t& units);

template<typename OnPair>
void split_decoded_pairs(char* data, std::size_t count, OnPair&& on_pair)
{
    std::size_t position = 0;
    for (;;) {
        DecodedPair pair {data + position, 0, data, 0};
        bool name_ended_at_equals = false;
        pair.name_length = decode_segment(data, count, position, '=', name_ended_at_equals);
        bool value_ended_at_ampersand = false;
        if (name_ended_at_equals) {
            pair.value = data + position;
            pair.value_length = decode_segment(data, count, position, '&', value_ended_at_ampersand);
        }
        if (!on_pair(static_cast<DecodedPair const&>(pair)))
            return;
        if (!value_ended_at_ampersand)
            return;
    }
}

template<typename OnPair>
bool split_form_pairs(char* data, std::size_t count, DecodingBuffers& buffers, OnPair&& on_pair)
{
    bool converted = true;
    split_decoded_pairs(data, count, [&](DecodedPair const& pair) {
        std::size_t name_units = 0;
        std::size_t value_units = 0;
        WideChar const* name = convert_segment(pair.name, pair.name_length, buffers.name, name_units);
        WideChar const* value = convert_segment(pair.value, pair.value_length, buffers.value, value_units);
        converted = name != nullptr && value != nullptr;
        return converted && on_pair(name, value, value_units);
    });
    return converted;
}

} // namespace qmt
