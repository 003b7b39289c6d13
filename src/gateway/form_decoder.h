// Form decoding: splits the form data into name/value pairs, decodes "+" and "%xx", and
// resolves the first pair's value ("ClassName MethodName") into a target object and the
// method's dispatch identifier. Every later pair becomes an item of CustomItems.
#pragma once

#include "common/scratch_buffer.h"
#include "common/wide_text.h"
#include "environment/environment.h"

#include <cstddef>

namespace qmt {

struct DecodingBuffers {
    ScratchBuffer<WideChar> name;
    ScratchBuffer<WideChar> value;
};

struct Target {
    IDispatch* object {nullptr}; // belongs to the caller, also after a failure
    DISPID method {0};
};

// Decodes `data` (rewritten in place) and resolves the target. False after an error page
// (messages 5, 1, 2, 3) has been written on `environment`.
bool decode_form_data(Environment& environment, char* data, std::size_t count, DecodingBuffers& buffers,
                      Target& target);

// The pair splitting and decoding alone, for callers that want the pairs without a target.
// `on_pair` is called with each pair's decoded name and value (zero-terminated wide texts,
// and the value's count of converted units) and returns false to stop.
template<typename OnPair>
void split_form_pairs(char* data, std::size_t count, DecodingBuffers& buffers, OnPair&& on_pair);

// Decodes one segment in place, from `position` up to its terminator or the end of the
// data. Returns the count of decoded bytes; `position` ends after the terminator, and
// `ended_at_terminator` tells whether one was met.
std::size_t decode_segment(char* data, std::size_t count, std::size_t& position, char terminator,
                           bool& ended_at_terminator);

// Converts `length` decoded bytes into `buffer`, reserving length + 1 units. Returns the
// text (the buffer, or an empty text when no storage could be had) and its unit count.
WideChar const* convert_segment(char const* bytes, std::size_t length, ScratchBuffer<WideChar>& buffer,
                                std::size_t& units);

template<typename OnPair>
void split_form_pairs(char* data, std::size_t count, DecodingBuffers& buffers, OnPair&& on_pair)
{
    std::size_t position = 0;
    for (;;) {
        std::size_t const name_start = position;
        bool name_ended_at_equals = false;
        std::size_t const name_length = decode_segment(data, count, position, '=', name_ended_at_equals);
        std::size_t name_units = 0;
        WideChar const* name = convert_segment(data + name_start, name_length, buffers.name, name_units);

        bool value_ended_at_ampersand = false;
        std::size_t value_units = 0;
        WideChar const* value = convert_segment(nullptr, 0, buffers.value, value_units);
        if (name_ended_at_equals) {
            std::size_t const value_start = position;
            std::size_t const value_length = decode_segment(data, count, position, '&', value_ended_at_ampersand);
            value = convert_segment(data + value_start, value_length, buffers.value, value_units);
        }
        if (!on_pair(name, value, value_units))
            return;
        if (!value_ended_at_ampersand)
            return;
    }
}

} // namespace qmt
